// The first window: the user name and password, the remembered fields, the
// login worker's progress and its outcome.
#pragma once

#include <windows.h>

#include "ui/host/html_window_win.h"

namespace kestro {

// The window class, by which other programs (and the tests) find the window.
inline constexpr wchar_t kLoginWindowClass[] = L"KestroLoginWindow";

class CLoginWindow : public HtmlWindow {
 public:
  CLoginWindow();

  bool on_event(htmlayout::HELEMENT he, htmlayout::HELEMENT target, htmlayout::BEHAVIOR_EVENTS type,
                uintptr_t reason) override;
  bool handle_key(htmlayout::HELEMENT he, htmlayout::KEY_PARAMS& params) override;

 protected:
  std::span<const std::wstring_view> elementIds() const override;
  void created() override;
  void initialise() override;
  void onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool freedWithWindow() const override { return true; }
  void destroying() override;

 private:
  void logIn();
  void showForm(bool form);
  bool formShown_ = true;
  void loadRememberedFields();
  void saveRememberedFields();
  bool isTicked(size_t index) const;
  void setTicked(size_t index, bool ticked);
  std::wstring textOf(size_t index) const;
};

// Shows the login window and returns when it has closed.
void runLoginWindow(HINSTANCE instance);

}  // namespace kestro
