#include "ui/main/main_window_win.h"

#include "accel/routes_win.h"
#include "app/settings_store_win.h"
#include "app/client_state.h"
#include "app/window_handles.h"
#include "ui/behaviors/page_behaviors.h"
#include "ui/host/message_window_win.h"
#include "ui/main/best_node_note_win.h"

namespace kestro {

namespace {

constexpr WindowSpec kSpec = {kMainWindowClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, 0, 750, 489, L"MAIN",
                              L"泓迈网游加速器", SW_SHOW};

constexpr wchar_t kExitQuestion[] = L"是否退出泓迈网游加速器？";

}  // namespace

CMainWindow::CMainWindow() : HtmlWindow(kSpec, htmlayout::HANDLE_ALL) {
  // The page's tab view, node table and rate chart name the program's behaviors.
  registerPageBehaviors();
}

std::span<const std::wstring_view> CMainWindow::elementIds() const { return kMainElementIds; }

void CMainWindow::created() { WindowHandles::instance().mainWindow = HtmlWindow::window(); }

void CMainWindow::destroying() {
  // Workers still running post into nothing rather than to a reused handle.
  WindowHandle self = HtmlWindow::window();
  WindowHandles::instance().mainWindow.compare_exchange_strong(self, nullptr);
  for (MainPanel* panel : panels_) panel->onDestroy();
}

void CMainWindow::setText(MainElement index, const std::wstring& text) {
  htmlayout::dom::element target = element(index);
  target.set_text(text);
}

void CMainWindow::selectPanel(const wchar_t* panel) {
  element(TabView).call_method("select", {htmlayout::value::make_string(panel)});
}

void CMainWindow::initialise() {
  diagnosis_.showStartView();
  account_.fill();
  restoreLastChoice();
}

void CMainWindow::restoreLastChoice() {
  // Without a settings key nothing is stored and the page's texts stay. The
  // ids are taken as stored, without a look at any list.
  const SavedSelection saved = loadSavedSelection();
  if (saved.nodeId != 0) selectedNodeId = static_cast<int32_t>(saved.nodeId);
  if (saved.gameId != 0) selectedGameId = static_cast<int32_t>(saved.gameId);
  if (saved.voiceId != 0) selectedVoiceId = static_cast<int32_t>(saved.voiceId);
  if (!saved.nodeName.empty()) setText(TxtCurrentNode, saved.nodeName);
  if (!saved.gameName.empty()) setText(TxtCurrentGame, saved.gameName);
  if (!saved.voiceName.empty()) setText(TxtCurrentVoice, saved.voiceName);
  showBestNode(*this, selectedGameId);
}

// Enter in the game search box searches, as its button does.
bool CMainWindow::handle_key(htmlayout::HELEMENT, htmlayout::KEY_PARAMS& params) {
  if (params.cmd != htmlayout::KEY_DOWN || params.key_code != VK_RETURN) return false;
  if (boundIndex(params.target) != TxtGameFilter) return false;
  return games_.onCommand(BtnFilterGame);
}

bool CMainWindow::on_event(htmlayout::HELEMENT, htmlayout::HELEMENT target, htmlayout::BEHAVIOR_EVENTS type,
                           uintptr_t) {
  switch (type) {
    case htmlayout::BUTTON_CLICK:
    case htmlayout::HYPERLINK_CLICK: {
      const size_t index = boundIndex(target);
      if (index < MainElementCount) return runCommand(static_cast<MainElement>(index));
      const htmlayout::dom::element clicked(target);
      if (!clicked.is_valid() || !clicked.has_attribute("id")) return false;
      return runCommandById(clicked.get_attribute("id"));
    }
    case htmlayout::TABLE_ROW_DBL_CLICK:
      nodes_.useHighlightedNode();
      return true;
    case htmlayout::ELEMENT_EXPANDED: {
      const size_t index = boundIndex(target);
      if (index == NodePanelTab) nodes_.onOpened();
      if (index == GamePanelTab) games_.onOpened();
      return false;
    }
    default:
      return false;
  }
}

// Commands of the bound elements: the window's own, then the panels'.
bool CMainWindow::runCommand(MainElement index) {
  switch (index) {
    case BtnClose: closeWithConfirmation(); return true;
    case BtnMin: ShowWindow(HtmlWindow::window(), SW_MINIMIZE); return true;
    case BtnSelectNode: selectPanel(L"panel-id2"); return true;
    case BtnSelectGame: selectPanel(L"panel-id3"); return true;
    case BtnSelectVoice: selectPanel(L"panel-id4"); return true;
    default: break;
  }
  for (MainPanel* panel : panels_)
    if (panel->onCommand(index)) return true;
  return false;
}

// Elements that the panels create at run time, known by their ids.
bool CMainWindow::runCommandById(const std::wstring& id) {
  for (MainPanel* panel : panels_)
    if (panel->onCommandId(id)) return true;
  return false;
}

void CMainWindow::onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  for (MainPanel* panel : panels_)
    if (panel->onMessage(message, wParam, lParam)) return;
}

bool CMainWindow::onSystemMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  for (MainPanel* panel : panels_)
    if (panel->onMessage(message, wParam, lParam)) return true;
  return false;
}

void CMainWindow::closeWithConfirmation() {
  // Its close button answers Yes, unless Yes would end a running acceleration.
  const std::optional<int32_t> answer = askOwnedQuestion(kExitQuestion, exitWeight());
  if (!answer || *answer != kAnswerYes) return;
  exitProgram();
}

QuestionWeight exitWeight() {
  return ClientState::instance().accelerating != 0 ? QuestionWeight::Destructive : QuestionWeight::Ordinary;
}

void CMainWindow::exitProgram() {
  acceleration_.stop();
  acceleration_.endStartWorkerForExit();
  PostMessageW(HtmlWindow::window(), WM_CLOSE, 0, 0);
}

void runMainWindow(HINSTANCE instance) {
  auto* main = new CMainWindow();
  // Freed by its own WM_DESTROY once it exists.
  if (!main->create(instance)) {
    delete main;
    return;
  }
  runMessageLoop();
}

}  // namespace kestro
