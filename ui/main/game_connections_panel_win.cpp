#include "ui/main/game_connections_panel_win.h"

#include <optional>
#include <string>

#include "app/client_state.h"
#include "app/settings_store_win.h"
#include "app/window_messages.h"

namespace kestro {

namespace {

constexpr wchar_t kChecking[] = L"正在检查游戏连接……";
constexpr wchar_t kNoGamePath[] = L"未设置游戏路径，无法检查游戏连接";
constexpr wchar_t kNoTable[] = L"无法读取系统的连接列表";
constexpr wchar_t kAdding[] = L"正在加入加速……";
constexpr wchar_t kNotAllAdded[] = L"以下地址未能加入加速：";

// Often enough that a game's new connection shows within seconds; each check
// is one read of the connection and process tables and a route lookup per
// connection, on a worker.
constexpr UINT kCheckPeriodMs = 3000;
constexpr UINT_PTR kCheckTimer = 0x4B47;

std::wstring joined(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (const std::wstring& line : lines) text += (text.empty() ? L"" : L"；") + line;
  return text;
}

}  // namespace

bool GameConnectionsPanel::onCommandId(const std::wstring& id) {
  if (id != L"linkaddroutes") return false;
  addBypassing();
  return true;
}

bool GameConnectionsPanel::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ROUTES_READY:
      // Seen on the way to the acceleration panel, which handles it.
      begin(static_cast<uint32_t>(wParam));
      return false;
    case WM_GAME_CONNECTIONS:
      onReport(static_cast<uint32_t>(wParam),
               std::unique_ptr<GameConnectionReport>(reinterpret_cast<GameConnectionReport*>(lParam)));
      return true;
    case WM_TIMER:
      if (wParam != kCheckTimer) return false;
      check();
      return true;
    default:
      return false;
  }
}

void GameConnectionsPanel::onDestroy() { KillTimer(view_.window(), kCheckTimer); }

htmlayout::dom::element GameConnectionsPanel::item(const wchar_t* selector) const {
  return view_.page(AccStatusContainer).find_first(selector);
}

void GameConnectionsPanel::setItem(const wchar_t* selector, const std::wstring& text) {
  htmlayout::dom::element target = item(selector);
  if (target.is_valid()) target.set_text(text);
}

void GameConnectionsPanel::showItem(const wchar_t* selector, bool shown) {
  htmlayout::dom::element target = item(selector);
  if (target.is_valid()) target.set_style_attribute("display", shown ? L"inline-block" : L"none");
}

bool GameConnectionsPanel::stillAccelerating() const {
  const ClientState& state = ClientState::instance();
  return attempt_ != 0 && state.accelerating != 0 && state.accelerationAttempt == attempt_;
}

void GameConnectionsPanel::begin(uint32_t attempt) {
  attempt_ = attempt;
  if (!stillAccelerating()) {
    attempt_ = 0;
    return;
  }
  gameId_ = selectedGameId_;
  bypassing_.clear();
  setItem(L"#txtgameconnections", kChecking);
  setItem(L"#txtbypass", L"");
  showItem(L"#txtbypass", false);
  showItem(L"#linkaddroutes", false);
  SetTimer(view_.window(), kCheckTimer, kCheckPeriodMs, nullptr);
  check();
}

void GameConnectionsPanel::check() {
  if (!stillAccelerating()) {
    // The acceleration is over: so are its checks.
    KillTimer(view_.window(), kCheckTimer);
    attempt_ = 0;
    return;
  }
  if (workingFor_ == attempt_) return;
  const std::optional<std::wstring> path = readGamePath(gameId_);
  if (!path) {
    setItem(L"#txtgameconnections", kNoGamePath);
    return;
  }
  if (startGameConnectionCheck(attempt_, *path)) workingFor_ = attempt_;
}

void GameConnectionsPanel::addBypassing() {
  if (!stillAccelerating() || workingFor_ == attempt_ || bypassing_.empty()) return;
  const std::optional<std::wstring> path = readGamePath(gameId_);
  if (!path || !startAddingBypassingRoutes(attempt_, *path, bypassing_)) return;
  workingFor_ = attempt_;
  showItem(L"#linkaddroutes", false);
  setItem(L"#txtbypass", kAdding);
}

void GameConnectionsPanel::onReport(uint32_t attempt, std::unique_ptr<GameConnectionReport> report) {
  if (report == nullptr) return;
  if (attempt == workingFor_) workingFor_ = 0;
  if (attempt != attempt_ || !stillAccelerating()) return;
  if (!report->found) {
    setItem(L"#txtgameconnections", kNoTable);
    return;
  }
  const GameConnections& found = *report->found;
  bypassing_ = found.bypassing;
  setItem(L"#txtgameconnections", connectionCountText(found));
  setItem(L"#txtconnectionsnote", connectionsNoteText(found));
  setItem(L"#txtbypass", bypassingText(found));
  showItem(L"#txtbypass", !found.bypassing.empty());
  showItem(L"#linkaddroutes", !found.bypassing.empty());
  if (!report->refusals.empty()) view_.showMessage(kNotAllAdded + joined(report->refusals));
}

}  // namespace kestro
