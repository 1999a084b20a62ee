#include "htmlayout/behavior.h"

namespace htmlayout {

bool event_handler::handle_event(HELEMENT he, unsigned group, void* prms) {
  switch (group) {
    case HANDLE_INITIALIZATION: {
      auto* p = static_cast<INITIALIZATION_PARAMS*>(prms);
      if (p->cmd == BEHAVIOR_DETACH) detached(he);
      else if (p->cmd == BEHAVIOR_ATTACH) attached(he);
      return true;
    }
    case HANDLE_MOUSE: return handle_mouse(he, *static_cast<MOUSE_PARAMS*>(prms));
    case HANDLE_KEY: return handle_key(he, *static_cast<KEY_PARAMS*>(prms));
    case HANDLE_FOCUS: return handle_focus(he, *static_cast<FOCUS_PARAMS*>(prms));
    case HANDLE_SCROLL: return handle_scroll(he, *static_cast<SCROLL_PARAMS*>(prms));
    case HANDLE_TIMER: return handle_timer(he, *static_cast<TIMER_PARAMS*>(prms));
    case HANDLE_SIZE: return handle_size(he);
    case HANDLE_DRAW: return handle_draw(he, *static_cast<DRAW_PARAMS*>(prms));
    case HANDLE_DATA_ARRIVED: return handle_data_arrived(he, prms);
    case HANDLE_BEHAVIOR_EVENT: return handle_event_params(he, *static_cast<BEHAVIOR_EVENT_PARAMS*>(prms));
    case HANDLE_METHOD_CALL: {
      auto* p = static_cast<METHOD_PARAMS*>(prms);
      if (p->methodID == XCALL) return on_script_call(he, *static_cast<XCALL_PARAMS*>(p));
      return handle_method_call(he, *p);
    }
    case HANDLE_EXCHANGE: return handle_exchange(he, prms);
    case HANDLE_GESTURE: return handle_gesture(he, prms);
    default: return false;
  }
}

behavior*& behavior::first() {
  static behavior* head = nullptr;
  return head;
}

behavior::behavior(unsigned subscription, const char* name) : event_handler(subscription), name(name) {
  next = first();
  first() = this;
}

behavior::~behavior() {
  for (behavior** p = &first(); *p; p = &(*p)->next) {
    if (*p == this) { *p = next; break; }
  }
}

event_handler* behavior::find(std::string_view wanted, HELEMENT he) {
  for (behavior* b = first(); b; b = b->next)
    if (wanted == b->name) return b->attach(he);
  return nullptr;
}

}  // namespace htmlayout
