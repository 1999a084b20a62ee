// The host side of engine notifications: a window derives from
// notification_handler<itself> and registers `callback` with itself as the
// parameter; overriding on_load_data / on_attach_behavior is optional.
#pragma once

#include "htmlayout/behavior.h"
#include "htmlayout/document.h"

namespace htmlayout {

using host_callback = unsigned (*)(notification* n, void* param);

template <class T>
class notification_handler {
 public:
  static unsigned callback(notification* n, void* param) {
    return static_cast<T*>(param)->handle_notification(n);
  }

  unsigned handle_notification(notification* n) {
    T* self = static_cast<T*>(this);
    switch (n->code) {
      case HLN_LOAD_DATA: return self->on_load_data(static_cast<NMHL_LOAD_DATA*>(n));
      case HLN_ATTACH_BEHAVIOR: return self->on_attach_behavior(static_cast<NMHL_ATTACH_BEHAVIOR*>(n));
      case HLN_DOCUMENT_COMPLETE: return self->on_document_complete();
      default: return 0;
    }
  }

  unsigned on_load_data(NMHL_LOAD_DATA*) { return 0; }
  // Default: the registered behavior of that name, if any.
  unsigned on_attach_behavior(NMHL_ATTACH_BEHAVIOR* n) {
    if (event_handler* h = behavior::find(n->behaviorName, n->element)) {
      n->elementProc = h;
      n->elementEvents = h->subscription;
    }
    return 0;
  }
  unsigned on_document_complete() { return 0; }
};

}  // namespace htmlayout
