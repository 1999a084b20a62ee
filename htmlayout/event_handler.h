// Receivers of element events: the windows (one per window) and behaviors
// (one object serves every element that names it). Each hook returns whether
// it consumed the event; the defaults consume nothing.
#pragma once

#include "htmlayout/types.h"

namespace htmlayout {

class event_handler {
 public:
  explicit event_handler(unsigned subscription = HANDLE_ALL) : subscription(subscription) {}
  virtual ~event_handler() = default;

  virtual void detached(HELEMENT) {}
  virtual void attached(HELEMENT) {}
  // The handler for one element; a shared behavior answers with itself.
  virtual event_handler* attach(HELEMENT) { return this; }

  // The element event procedure: routes one event group to its hook.
  bool handle_event(HELEMENT he, unsigned group, void* params);

  virtual bool handle_mouse(HELEMENT, MOUSE_PARAMS&) { return false; }
  virtual bool handle_key(HELEMENT, KEY_PARAMS&) { return false; }
  virtual bool handle_focus(HELEMENT, FOCUS_PARAMS&) { return false; }
  virtual bool handle_timer(HELEMENT, TIMER_PARAMS&) { return false; }  // true keeps the timer running
  virtual bool handle_size(HELEMENT) { return false; }
  virtual bool handle_scroll(HELEMENT, SCROLL_PARAMS&) { return false; }
  virtual bool handle_draw(HELEMENT, DRAW_PARAMS&) { return false; }    // true: the layer is drawn
  // Behavior events (BUTTON_CLICK, TABLE_ROW_CLICK, ...), `he` the element the
  // event passes, `target` the element it is about.
  virtual bool on_event(HELEMENT /*he*/, HELEMENT /*target*/, BEHAVIOR_EVENTS /*type*/, uintptr_t /*reason*/) { return false; }
  virtual bool handle_event_params(HELEMENT he, BEHAVIOR_EVENT_PARAMS& p) {
    return on_event(he, p.heTarget, static_cast<BEHAVIOR_EVENTS>(p.cmd), p.reason);
  }
  virtual bool handle_method_call(HELEMENT, METHOD_PARAMS&) { return false; }
  // Calls by name (method id XCALL); `retval` may be filled.
  virtual bool on_script_call(HELEMENT, XCALL_PARAMS&) { return false; }
  virtual bool handle_data_arrived(HELEMENT, void*) { return false; }
  virtual bool handle_exchange(HELEMENT, void*) { return false; }
  virtual bool handle_gesture(HELEMENT, void*) { return false; }

  unsigned subscription;
};

}  // namespace htmlayout
