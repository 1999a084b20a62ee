#include "app/window_handles.h"

namespace kestro {

WindowHandles& WindowHandles::instance() {
  static WindowHandles handles;
  return handles;
}

}  // namespace kestro
