// Hiding the main window to the notification area and bringing it back; the
// icon's tip and balloons while the window is hidden there.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

#include "ui/main/main_window_view.h"

namespace kestro {

// The shell's notification-area call the main window makes, replaceable so
// that tests can read the icon records handed over, or refuse them as a shell
// without a notification area does.
using NotifyIconCall = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAW record);

// Starts as Shell_NotifyIconW.
NotifyIconCall& notifyIconCall();

// The message the shell broadcasts when its taskbar was (re)created.
UINT taskbarCreatedMessage();

class TrayIcon : public MainPanel {
 public:
  explicit TrayIcon(MainWindowView& view) : view_(view) {}

  bool onCommand(MainElement index) override;
  bool onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void onDestroy() override;

  // The icon's tip (state and latency while accelerating); empty: the program's name.
  void showTip(const std::wstring& tip);
  // A balloon, shown only while the window is hidden in the notification area.
  void showBalloon(const wchar_t* title, const wchar_t* text);

 private:
  void hide();
  void onNotify(LPARAM mouseMessage);

  MainWindowView& view_;
  NOTIFYICONDATAW icon_ = {};
  bool inTray_ = false;
  std::wstring tip_;
};

}  // namespace kestro
