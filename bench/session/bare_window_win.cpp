// kestro-bare-window: Wine's own share of a window program, for the session
// benchmark to subtract. One borderless window of the login window's size
// that draws a line of Chinese text in the pages' font with GDI, and nothing
// else: no page engine, pictures, network or service. Ends when its window
// is closed.
#include <windows.h>

namespace {

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"WenQuanYi Micro Hei");
      HGDIOBJ old = SelectObject(dc, font);
      RECT box;
      GetClientRect(window, &box);
      DrawTextW(dc, L"泓迈网游加速器 用户名 密码 登录", -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      SelectObject(dc, old);
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = L"KestroBareWindow";
  if (RegisterClassW(&windowClass) == 0) return 1;
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"bare window", WS_POPUP | WS_VISIBLE, 100, 100, 357,
                                270, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
