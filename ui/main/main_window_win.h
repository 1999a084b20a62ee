// The window the user works in after logging in: the tab view with the
// acceleration, node, game, voice and diagnosis panels, the account and
// announcement boxes on the right, the tray icon and the exit question. Each
// panel is a class of its own with its own state; the window binds the page,
// keeps the user's choice and hands every command and message to the panels.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "ui/host/html_window_win.h"
#include "ui/main/account_panel_win.h"
#include "ui/main/acceleration_panel_win.h"
#include "ui/main/diagnosis_page_win.h"
#include "ui/main/game_connections_panel_win.h"
#include "ui/main/game_panel_win.h"
#include "ui/main/main_window_elements.h"
#include "ui/main/main_window_view.h"
#include "ui/main/node_panel_win.h"
#include "ui/main/tray_icon_win.h"
#include "ui/main/voice_panel_win.h"

namespace kestro {

// The window class, by which other programs (and the tests) find the window.
inline constexpr wchar_t kMainWindowClass[] = L"KestroMainWindow";

class CMainWindow : public HtmlWindow, private MainWindowView {
 public:
  CMainWindow();

  bool on_event(htmlayout::HELEMENT he, htmlayout::HELEMENT target, htmlayout::BEHAVIOR_EVENTS type,
                uintptr_t reason) override;
  bool handle_key(htmlayout::HELEMENT he, htmlayout::KEY_PARAMS& params) override;

  int32_t selectedNodeId = 0;
  int32_t selectedGameId = 0;
  int32_t selectedVoiceId = 0;

 protected:
  std::span<const std::wstring_view> elementIds() const override;
  void created() override;
  void initialise() override;
  void onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool onSystemMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool freedWithWindow() const override { return true; }
  void destroying() override;

 private:
  // MainWindowView, for the panels.
  HWND window() const override { return HtmlWindow::window(); }
  htmlayout::dom::element page(MainElement index) const override { return element(index); }
  void setText(MainElement index, const std::wstring& text) override;
  void show(MainElement index, const wchar_t* display) override { setDisplay(index, display); }
  void selectPanel(const wchar_t* panel) override;
  bool showMessage(const std::wstring& text) override { return showOwnedMessage(text); }
  bool showMessage(const std::wstring& text, MessageIcon icon) override { return showOwnedMessage(text, icon); }
  std::optional<int32_t> askQuestion(const std::wstring& text, QuestionWeight weight) override {
    return askOwnedQuestion(text, weight);
  }
  void exitProgram() override;

  bool runCommand(MainElement index);
  bool runCommandById(const std::wstring& id);
  void restoreLastChoice();
  void closeWithConfirmation();

  TrayIcon tray_{*this};
  AccountPanel account_{*this};
  NodePanel nodes_{*this, selectedNodeId};
  GamePanel games_{*this, selectedGameId};
  VoicePanel voices_{*this, selectedVoiceId};
  AccelerationPanel acceleration_{*this, {selectedNodeId, selectedGameId, selectedVoiceId}, tray_};
  DiagnosisPage diagnosis_{*this};
  GameConnectionsPanel connections_{*this, selectedGameId};
  // Every command and message goes to these in turn until one takes it; the
  // connections panel sees the routes' report before the acceleration panel takes it.
  const std::array<MainPanel*, 8> panels_{&tray_,        &account_,      &nodes_,      &games_,
                                          &voices_,      &connections_, &acceleration_, &diagnosis_};
};

// Shows the main window and returns when it has closed.
void runMainWindow(HINSTANCE instance);

}  // namespace kestro
