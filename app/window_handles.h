// The two windows that workers report to. Each window writes its own handle
// right after creating itself; workers read it at the moment they report.
#pragma once

#include <atomic>

namespace kestro {

// A Windows HWND, kept opaque so this record stays platform-free.
using WindowHandle = void*;

struct WindowHandles {
  static WindowHandles& instance();

  std::atomic<WindowHandle> loginWindow{nullptr};
  std::atomic<WindowHandle> mainWindow{nullptr};
};

}  // namespace kestro
