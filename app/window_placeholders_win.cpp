// PLACEHOLDER until the HTML login and main windows exist: a plain window that
// shows what start-up did, so the program can be started and closed. The real
// windows replace this file; the main-window placeholder is never reached
// because this login placeholder never logs in.
#include <windows.h>

#include <string>

#include "app/client_state.h"
#include "app/ui_entry_win.h"
#include "app/window_handles.h"

namespace kestro {

namespace {

constexpr wchar_t kPlaceholderClass[] = L"KestroLoginWindow";

std::wstring startupReport() {
  auto& state = ClientState::instance();
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  return std::wstring(L"泓迈网游加速器\r\n\r\n登录窗口尚未接入（占位窗口）\r\n\r\n") +
         L"程序目录: " + folder + L"\r\n64位系统(WOW64): " + std::to_wstring(state.isWow64.load()) +
         L"\r\n语音平台: " + std::to_wstring(state.voices().size()) + L" 个";
}

LRESULT CALLBACK placeholderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT area;
      GetClientRect(window, &area);
      InflateRect(&area, -16, -16);
      const std::wstring text = startupReport();
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_LEFT | DT_WORDBREAK);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      WindowHandles::instance().loginWindow = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

void runLoginWindow(HINSTANCE instance) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = placeholderProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(128));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kPlaceholderClass;
  RegisterClassExW(&windowClass);

  HWND window = CreateWindowExW(0, kPlaceholderClass, L"泓迈网游加速器", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 420, 260, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return;
  WindowHandles::instance().loginWindow = window;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void runMainWindow(HINSTANCE) {}

}  // namespace kestro
