// The boxes on the right of the main window: the account (type, expiry, days
// left, state), the network address and name, and the service's announcements
// with their links and a retry when they could not be fetched.
#pragma once

#include "ui/main/main_window_view.h"

namespace kestro {

class AccountPanel : public MainPanel {
 public:
  explicit AccountPanel(MainWindowView& view) : view_(view) {}

  bool onCommandId(const std::wstring& id) override;
  bool onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The account's figures from the login, and the announcements' fetch.
  void fill();

 private:
  void listAnnouncements();
  void offerRetry();
  void retry();

  MainWindowView& view_;
};

}  // namespace kestro
