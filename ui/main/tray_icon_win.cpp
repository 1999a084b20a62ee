// Hiding the main window to the notification area and bringing it back.
#include <cwchar>

#include "ui/main/tray_icon_win.h"

#include "app/window_messages.h"
#include "ui/main/main_window_win.h"

namespace kestro {

namespace {

constexpr UINT kTrayIconId = 102;
// The full record of the shell of Windows Vista and later, balloon icon included.
// The 64-bit test tree (cmake/mingw-w64-x86_64.cmake) has that platform's size.
#ifdef _WIN64
constexpr DWORD kTrayIconRecordSize = 976;
#else
constexpr DWORD kTrayIconRecordSize = 956;
#endif
static_assert(sizeof(NOTIFYICONDATAW) == kTrayIconRecordSize);
constexpr wchar_t kTrayTip[] = L"泓迈网游加速器";
constexpr wchar_t kBalloonTitle[] = L"提示";
constexpr wchar_t kBalloonText[] = L"泓迈网游加速器仍在运行中，双击任务栏图标即可恢复窗口";

// Icon 128 of the program's own resources.
HICON programIcon() { return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128)); }

}  // namespace

NotifyIconCall& notifyIconCall() {
  static NotifyIconCall call = Shell_NotifyIconW;
  return call;
}

UINT taskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

void CMainWindow::hideToTray() {
  trayIcon_ = {};
  trayIcon_.cbSize = kTrayIconRecordSize;
  trayIcon_.hWnd = window();
  trayIcon_.uID = kTrayIconId;
  trayIcon_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  trayIcon_.uCallbackMessage = WM_TRAY_NOTIFY;
  trayIcon_.hIcon = programIcon();
  wcsncpy(trayIcon_.szTip, trayTip_.empty() ? kTrayTip : trayTip_.c_str(), std::size(trayIcon_.szTip) - 1);
  wcsncpy(trayIcon_.szInfoTitle, kBalloonTitle, std::size(trayIcon_.szInfoTitle) - 1);
  wcsncpy(trayIcon_.szInfo, kBalloonText, std::size(trayIcon_.szInfo) - 1);
  trayIcon_.dwInfoFlags = NIIF_INFO;
  // Without an icon the window could not be found again: it stays shown.
  if (!notifyIconCall()(NIM_ADD, &trayIcon_)) return;
  inTray_ = true;
  ShowWindow(window(), SW_HIDE);
}

void CMainWindow::onTrayNotify(LPARAM mouseMessage) {
  // The first press of either button restores; a double click restores on its first press.
  if (mouseMessage != WM_LBUTTONDOWN && mouseMessage != WM_RBUTTONDOWN) return;
  ShowWindow(window(), SW_SHOW);  // the icon goes as the window shows (onSystemMessage)
  SetForegroundWindow(window());
}

// The icon exists exactly while the window is hidden in the tray, whoever
// shows the window (a message it owns, the diagnosis); a restarted shell gets
// the icon again.
bool CMainWindow::onSystemMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_TIMER && wParam == kStopBoundTimer) {
    onStopOverdue();
    return true;
  }
  if (message == WM_SHOWWINDOW && wParam != FALSE && inTray_) {
    notifyIconCall()(NIM_DELETE, &trayIcon_);
    inTray_ = false;
    return false;
  }
  if (message == taskbarCreatedMessage()) {
    if (inTray_ && !notifyIconCall()(NIM_ADD, &trayIcon_)) {
      inTray_ = false;
      ShowWindow(window(), SW_SHOW);
    }
    return true;
  }
  return false;
}

void CMainWindow::showTrayTip(const std::wstring& tip) {
  trayTip_ = tip;
  if (!inTray_) return;
  // Only the tip changes: the balloon is not shown again.
  NOTIFYICONDATAW update = trayIcon_;
  update.uFlags = NIF_TIP;
  update.szTip[0] = L'\0';
  wcsncpy(update.szTip, tip.empty() ? kTrayTip : tip.c_str(), std::size(update.szTip) - 1);
  notifyIconCall()(NIM_MODIFY, &update);
}

void CMainWindow::showTrayBalloon(const wchar_t* title, const wchar_t* text) {
  if (!inTray_) return;
  NOTIFYICONDATAW update = trayIcon_;
  update.uFlags = NIF_INFO;
  update.szInfoTitle[0] = L'\0';
  update.szInfo[0] = L'\0';
  wcsncpy(update.szInfoTitle, title, std::size(update.szInfoTitle) - 1);
  wcsncpy(update.szInfo, text, std::size(update.szInfo) - 1);
  update.dwInfoFlags = NIIF_WARNING;
  notifyIconCall()(NIM_MODIFY, &update);
}

}  // namespace kestro
