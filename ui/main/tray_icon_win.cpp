#include "ui/main/tray_icon_win.h"

#include <cwchar>

#include "app/window_messages.h"

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

bool TrayIcon::onCommand(MainElement index) {
  if (index != BtnTray) return false;
  hide();
  return true;
}

void TrayIcon::hide() {
  icon_ = {};
  icon_.cbSize = kTrayIconRecordSize;
  icon_.hWnd = view_.window();
  icon_.uID = kTrayIconId;
  icon_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  icon_.uCallbackMessage = WM_TRAY_NOTIFY;
  icon_.hIcon = programIcon();
  wcsncpy(icon_.szTip, tip_.empty() ? kTrayTip : tip_.c_str(), std::size(icon_.szTip) - 1);
  wcsncpy(icon_.szInfoTitle, kBalloonTitle, std::size(icon_.szInfoTitle) - 1);
  wcsncpy(icon_.szInfo, kBalloonText, std::size(icon_.szInfo) - 1);
  icon_.dwInfoFlags = NIIF_INFO;
  // Without an icon the window could not be found again: it stays shown.
  if (!notifyIconCall()(NIM_ADD, &icon_)) return;
  inTray_ = true;
  ShowWindow(view_.window(), SW_HIDE);
}

void TrayIcon::onNotify(LPARAM mouseMessage) {
  // The first press of either button restores; a double click restores on its first press.
  if (mouseMessage != WM_LBUTTONDOWN && mouseMessage != WM_RBUTTONDOWN) return;
  ShowWindow(view_.window(), SW_SHOW);  // the icon goes as the window shows (onMessage)
  SetForegroundWindow(view_.window());
}

// The icon exists exactly while the window is hidden in the tray, whoever
// shows the window (a message it owns, the diagnosis); a restarted shell gets
// the icon again.
bool TrayIcon::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TRAY_NOTIFY) {
    onNotify(lParam);
    return true;
  }
  if (message == WM_SHOWWINDOW && wParam != FALSE && inTray_) {
    notifyIconCall()(NIM_DELETE, &icon_);
    inTray_ = false;
    return false;
  }
  if (message == taskbarCreatedMessage()) {
    if (inTray_ && !notifyIconCall()(NIM_ADD, &icon_)) {
      inTray_ = false;
      ShowWindow(view_.window(), SW_SHOW);
    }
    return true;
  }
  return false;
}

void TrayIcon::onDestroy() {
  // The icon would otherwise stay in the notification area after the program.
  if (inTray_) notifyIconCall()(NIM_DELETE, &icon_);
  inTray_ = false;
}

void TrayIcon::showTip(const std::wstring& tip) {
  tip_ = tip;
  if (!inTray_) return;
  // Only the tip changes: the balloon is not shown again.
  NOTIFYICONDATAW update = icon_;
  update.uFlags = NIF_TIP;
  update.szTip[0] = L'\0';
  wcsncpy(update.szTip, tip.empty() ? kTrayTip : tip.c_str(), std::size(update.szTip) - 1);
  notifyIconCall()(NIM_MODIFY, &update);
}

void TrayIcon::showBalloon(const wchar_t* title, const wchar_t* text) {
  if (!inTray_) return;
  NOTIFYICONDATAW update = icon_;
  update.uFlags = NIF_INFO;
  update.szInfoTitle[0] = L'\0';
  update.szInfo[0] = L'\0';
  wcsncpy(update.szInfoTitle, title, std::size(update.szInfoTitle) - 1);
  wcsncpy(update.szInfo, text, std::size(update.szInfo) - 1);
  update.dwInfoFlags = NIIF_WARNING;
  notifyIconCall()(NIM_MODIFY, &update);
}

}  // namespace kestro
