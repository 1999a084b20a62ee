// A loaded page: its element tree, style sheets, layout, event routing,
// element timers and posted events. The host (a window, or a test) supplies
// the canvas and receives notifications.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "htmlayout/canvas.h"
#include "htmlayout/css_parser.h"
#include "htmlayout/event_handler.h"
#include "htmlayout/node.h"

namespace htmlayout {

// Host notification codes (one range, 0xB00 to 0xB0F).
enum HOST_NOTIFICATIONS : unsigned {
  HLN_LOAD_DATA = 0xB02,        // the page needs the bytes of `uri`
  HLN_DOCUMENT_COMPLETE = 0xB04,
  HLN_ATTACH_BEHAVIOR = 0xB08,  // an element names a behavior the engine does not have
};

struct notification {
  unsigned code = 0;
  void* window = nullptr;  // the host window (HWND on Windows)
};
struct NMHL_LOAD_DATA : notification {
  std::wstring uri;
  HELEMENT principal = nullptr;  // the element that needs it
};
struct NMHL_ATTACH_BEHAVIOR : notification {
  HELEMENT element = nullptr;
  std::string behaviorName;
  event_handler* elementProc = nullptr;  // filled by the host: the handler for the element
  unsigned elementEvents = 0;            // filled by the host: its subscription word
};

class document_host {
 public:
  virtual ~document_host() = default;
  virtual unsigned notify(notification&) { return 0; }
  virtual void invalidate() {}       // something changed on screen
  // Only that part of the view (CSS pixels) changed.
  virtual void invalidate_area(const rect&) { invalidate(); }
  virtual void posted() {}           // an event was posted; call process_posted soon
  virtual void timers_changed() {}   // next_timer_due may have changed
  virtual void* window() { return nullptr; }
  // Milliseconds on the host's clock, or -1 for the document's own (set_clock).
  virtual int64_t now_ms() { return -1; }
};

class document {
 public:
  document(canvas& gfx, document_host& host);
  ~document();
  document(const document&) = delete;
  document& operator=(const document&) = delete;

  // Replaces the page; false when the bytes are empty.
  bool load_html(std::string_view utf8);
  HELEMENT root() const { return root_; }
  // The page's own style sheets (the user agent's comes on its own).
  const std::vector<style_sheet>& style_sheets() const { return sheets_; }
  canvas& gfx() { return gfx_; }
  document_host& host() { return host_; }

  // The bytes of a resource the page asked for through HLN_LOAD_DATA; a
  // picture drawn for a display of `density_dpi` (see canvas::load_image).
  void data_ready(const std::wstring& uri, const uint8_t* bytes, size_t size, int density_dpi = 96);

  void set_view_size(int width, int height);
  int view_width() const { return view_w_; }
  int view_height() const { return view_h_; }
  void invalidate_style() { style_dirty_ = true; layout_dirty_ = true; host_.invalidate(); }
  // Only states changed: styles are resolved again, and the layout only when
  // a style that moves boxes changed with them.
  void invalidate_states() { style_dirty_ = true; host_.invalidate(); }
  // States changed on `el` only. Selectors look at an element and its
  // ancestors, never at siblings, so only `el`'s subtree is styled again.
  // `repaint`: whether the change can show on screen.
  void invalidate_states(HELEMENT el, bool repaint = true);
  void invalidate_layout(bool repaint = true) {
    layout_dirty_ = true;
    if (repaint) host_.invalidate();
  }
  // Brings styles and layout up to date.
  void update();

  void paint(canvas& target, const rect& dirty);
  // The deepest element at a point of the view, or null.
  HELEMENT hit_test(point p);
  // The border box of an element in view coordinates (scrolling applied).
  rect box_of(HELEMENT el) const;
  rect content_box_of(HELEMENT el) const;
  void scroll_into_view(HELEMENT el);

  // Input from the host, in view coordinates; true when an element consumed it.
  bool mouse(unsigned cmd, point p, unsigned buttons, unsigned alt_state, int wheel = 0);
  bool key(unsigned cmd, unsigned code, unsigned alt_state, bool repeated = false);
  void set_focus(HELEMENT el, bool by_mouse = false);
  HELEMENT focus() const { return focus_; }
  // Tab and Shift+Tab: the next (previous) shown, enabled form control
  // (<input>, <button>) in document order, wrapping round; false when the
  // page has none.
  bool focus_next(bool backwards);
  // The focus came from the keyboard: the page marks it.
  bool focus_from_keyboard() const { return focus_from_keyboard_; }
  HELEMENT hover() const { return hover_; }

  // Event routing: sinking from the root to `he`, then bubbling back up; the
  // window handlers see each phase first and last.
  bool send_behavior_event(HELEMENT he, unsigned code, HELEMENT target, uintptr_t reason);
  void post_behavior_event(HELEMENT he, unsigned code, HELEMENT target, uintptr_t reason);
  void process_posted();
  bool call_method(HELEMENT he, METHOD_PARAMS& params);

  void attach_window_handler(event_handler* h, unsigned subscription);
  void detach_window_handler(event_handler* h);

  // Element timers (one per element and id); ms == 0 stops it.
  void set_timer(HELEMENT he, unsigned ms, uintptr_t id = 0);
  // Milliseconds on the host's clock of the next due timer, or -1.
  int64_t next_timer_due() const;
  void fire_timers(int64_t now_ms);
  void set_clock(int64_t now_ms) { now_ms_ = now_ms; }

  // Changes states and restyles; sends visibility changes.
  void set_state(HELEMENT el, unsigned to_set, unsigned to_clear);
  // Attaches and detaches behaviors to match each element's style, in the
  // subtree of `from` (the whole page when null).
  void sync_behaviors(HELEMENT from = nullptr);

 private:
  friend struct document_access;
  // Asks the host for every resource named in the subtree and not yet asked for.
  void request_resources(HELEMENT from);
  struct timer { HELEMENT el; uintptr_t id; unsigned period; int64_t due; };
  struct posted_event { HELEMENT he; unsigned code; HELEMENT target; uintptr_t reason; };
  struct window_handler { event_handler* handler; unsigned subscription; };

  bool route(HELEMENT target, unsigned group, unsigned& cmd, void* params);
  // The engine's own scroll bars: true when the mouse event was theirs.
  bool scrollbar_mouse(unsigned cmd, point p);
  // Arrow, page, Home and End keys nobody consumed scroll the box around the focus.
  bool scroll_by_key(unsigned code);
  bool dispatch_to(HELEMENT el, unsigned group, void* params);
  void set_hover(HELEMENT el);
  void hold(HELEMENT& slot, HELEMENT el);
  void clear_document();

  canvas& gfx_;
  document_host& host_;
  HELEMENT root_ = nullptr;
  std::vector<style_sheet> sheets_;
  int view_w_ = 0, view_h_ = 0;
  bool style_dirty_ = true, layout_dirty_ = true;
  HELEMENT hover_ = nullptr, focus_ = nullptr, capture_ = nullptr, pressed_ = nullptr;
  bool focus_from_keyboard_ = false;
  std::vector<HELEMENT> restyle_roots_;  // each holds one reference; unused while style_dirty_
  HELEMENT scroll_drag_ = nullptr;  // the element whose scroll bar thumb is held
  int drag_from_y_ = 0, drag_from_top_ = 0;
  std::vector<timer> timers_;
  std::deque<posted_event> posted_;
  std::vector<window_handler> window_handlers_;
  std::vector<std::wstring> requested_;
  int64_t now_ms_ = 0;
};

}  // namespace htmlayout
