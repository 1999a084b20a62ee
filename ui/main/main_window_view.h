// What a panel of the main window may use of it, and what every panel answers.
// The view is narrow on purpose: a panel sees the page's bound elements, the
// window's messages and the one way to end the program, never another
// panel's state or the window's own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "htmlayout/dom.h"
#include "ui/main/main_window_elements.h"

namespace kestro {

enum class MessageIcon : int32_t;
enum class QuestionWeight;

// The user's current choice, kept by CMainWindow (selectedNodeId, ...).
struct MainSelection {
  int32_t& nodeId;
  int32_t& gameId;
  int32_t& voiceId;
};

class MainWindowView {
 public:
  virtual HWND window() const = 0;
  virtual htmlayout::dom::element page(MainElement index) const = 0;
  virtual void setText(MainElement index, const std::wstring& text) = 0;
  virtual void show(MainElement index, const wchar_t* display) = 0;
  // Selects a tab of the tab view ("panel-id1" ...).
  virtual void selectPanel(const wchar_t* panel) = 0;
  // A message owned by the window. False when the window was destroyed while
  // it was shown: the panel went with it, and the caller returns at once.
  virtual bool showMessage(const std::wstring& text) = 0;
  virtual bool showMessage(const std::wstring& text, MessageIcon icon) = 0;
  // A Yes/No question: 1 Yes, 2 No; nothing when the window was destroyed.
  virtual std::optional<int32_t> askQuestion(const std::wstring& text, QuestionWeight weight) = 0;
  // The one way the program ends from the main window: a running
  // acceleration is stopped, a start worker is given its time to end, the
  // window closes.
  virtual void exitProgram() = 0;

 protected:
  ~MainWindowView() = default;
};

// How heavy the question of ending the program is: destructive while an
// acceleration runs, which it would stop.
QuestionWeight exitWeight();

// A panel answers the commands of its elements and the messages of its
// workers; CMainWindow hands each to the panels in turn until one takes it.
class MainPanel {
 public:
  virtual ~MainPanel() = default;
  // A click on a bound element.
  virtual bool onCommand(MainElement) { return false; }
  // A click on an element the panel created, known by its id.
  virtual bool onCommandId(const std::wstring&) { return false; }
  // A window message (from a worker, the tunnel library, the shell or a
  // timer); true when it is handled and no one else is to see it.
  virtual bool onMessage(UINT, WPARAM, LPARAM) { return false; }
  // The window is going: what must not outlive it.
  virtual void onDestroy() {}
};

}  // namespace kestro
