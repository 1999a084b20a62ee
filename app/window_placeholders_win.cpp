// PLACEHOLDER for the main window until it is built: after a successful login
// a plain window lists the account fields the login filled in, so the program
// can be logged into and closed. The real main window replaces this file.
#include <windows.h>

#include <string>

#include "app/client_state.h"
#include "app/ui_entry_win.h"

namespace kestro {

namespace {

constexpr wchar_t kPlaceholderClass[] = L"KestroMainWindowPlaceholder";

std::wstring accountReport() {
  const ClientState& state = ClientState::instance();
  return std::wstring(L"泓迈网游加速器\r\n\r\n登录成功（主窗口尚未接入，此为占位窗口）\r\n\r\n") +
         L"用户名：" + state.userName() + L"\r\n到期时间：" + state.expireDate() + L"\r\n剩余天数：" +
         std::to_wstring(state.leaveDays()) + L"\r\n服务类型：" + std::to_wstring(state.accountType()) +
         L"\r\n账户状态：" + std::to_wstring(state.accountStatus()) + L"\r\n外网地址：" + state.ipAddress() +
         L"\r\n网络环境：" + state.ipName();
}

HFONT createFont(const wchar_t* face) {
  return CreateFontW(-14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, face);
}

// Microsoft YaHei on Windows, WenQuanYi Micro Hei where it is missing (Wine).
HFONT chineseFont(HDC dc) {
  HFONT font = createFont(L"Microsoft YaHei");
  HGDIOBJ previous = SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  SelectObject(dc, previous);
  if (_wcsicmp(face, L"Microsoft YaHei") == 0) return font;
  DeleteObject(font);
  return createFont(L"WenQuanYi Micro Hei");
}

LRESULT CALLBACK placeholderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT area;
      GetClientRect(window, &area);
      InflateRect(&area, -16, -16);
      HFONT font = chineseFont(dc);
      HGDIOBJ previous = SelectObject(dc, font);
      const std::wstring text = accountReport();
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_LEFT | DT_WORDBREAK);
      SelectObject(dc, previous);
      DeleteObject(font);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

void runMainWindow(HINSTANCE instance) {
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
                                CW_USEDEFAULT, 460, 320, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace kestro
