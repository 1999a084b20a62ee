// Hiding the main window to the notification area and bringing it back.
#include <cwchar>

#include "app/window_messages.h"
#include "ui/main_window_win.h"

namespace kestro {

namespace {

constexpr UINT kTrayIconId = 102;
constexpr wchar_t kTrayTip[] = L"泓迈网游加速器";
constexpr wchar_t kBalloonTitle[] = L"提示";
constexpr wchar_t kBalloonText[] = L"泓迈网游加速器仍在运行中，双击任务栏图标即可恢复窗口";

// Icon 128 of the program's own resources.
HICON programIcon() { return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128)); }

}  // namespace

void CMainWindow::hideToTray() {
  trayIcon_ = {};
  // The full record of this platform's shell (956 bytes in 32-bit programs).
  trayIcon_.cbSize = sizeof(trayIcon_);
  trayIcon_.hWnd = window();
  trayIcon_.uID = kTrayIconId;
  trayIcon_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  trayIcon_.uCallbackMessage = WM_TRAY_NOTIFY;
  trayIcon_.hIcon = programIcon();
  wcsncpy(trayIcon_.szTip, kTrayTip, std::size(trayIcon_.szTip) - 1);
  wcsncpy(trayIcon_.szInfoTitle, kBalloonTitle, std::size(trayIcon_.szInfoTitle) - 1);
  wcsncpy(trayIcon_.szInfo, kBalloonText, std::size(trayIcon_.szInfo) - 1);
  trayIcon_.dwInfoFlags = NIIF_INFO;
  Shell_NotifyIconW(NIM_ADD, &trayIcon_);
  inTray_ = true;
  ShowWindow(window(), SW_HIDE);
}

void CMainWindow::onTrayNotify(LPARAM mouseMessage) {
  // The first press of either button restores; a double click restores on its first press.
  if (mouseMessage != WM_LBUTTONDOWN && mouseMessage != WM_RBUTTONDOWN) return;
  ShowWindow(window(), SW_SHOW);
  Shell_NotifyIconW(NIM_DELETE, &trayIcon_);
  inTray_ = false;
}

}  // namespace kestro
