#include "app/window_handles.h"

namespace kestro {

WindowHandles& WindowHandles::instance() {
  // Never destroyed: detached workers may still use it while the process exits.
  static WindowHandles* handles = new WindowHandles;
  return *handles;
}

}  // namespace kestro
