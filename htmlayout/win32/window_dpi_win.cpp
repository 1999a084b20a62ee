#include "htmlayout/win32/window_dpi_win.h"

namespace htmlayout {

display_scale window_scale(HWND window) {
  // Looked up at run time: Windows 7 and 8 have no GetDpiForWindow.
  using get_dpi_for_window = UINT(WINAPI*)(HWND);
  static const auto for_window = reinterpret_cast<get_dpi_for_window>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (for_window != nullptr && window != nullptr) {
    const UINT dpi = for_window(window);
    if (dpi > 0) return {static_cast<int>(dpi)};
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : kCssDpi;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return {dpi > 0 ? dpi : kCssDpi};
}

}  // namespace htmlayout
