// How the service workers report: a message posted to the window whose handle
// is in WindowHandles at the moment of reporting.
#pragma once

#include <windows.h>

#include <atomic>

#include "app/window_handles.h"

namespace kestro {

inline void postToWindow(const std::atomic<WindowHandle>& window, UINT message, LPARAM lParam = 0) {
  PostMessageW(static_cast<HWND>(window.load()), message, 0, lParam);
}

}  // namespace kestro
