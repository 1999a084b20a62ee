#include "ui/main/game_panel_win.h"

#include <cwchar>

#include "app/client_state.h"
#include "app/settings_store_win.h"
#include "app/window_messages.h"
#include "service/game_list_worker.h"
#include "service/progress_post_win.h"
#include "ui/main/best_node_note_win.h"
#include "ui/main/game_entry.h"
#include "ui/host/open_file_dialog_win.h"
#include "ui/host/shell_open_win.h"
#include "ui/main/game_filter.h"
#include "ui/main/main_window_texts.h"

namespace kestro {

namespace {

constexpr wchar_t kGameFetchFailed[] = L"网络连接失败，请确认您的网络连接正常后点击“刷新游戏列表”重试！";

// Elements that the panel creates: the letter filters and the games.
int32_t numberAfter(const std::wstring& id, size_t prefix) {
  return static_cast<int32_t>(std::wcstol(id.c_str() + prefix, nullptr, 10));
}

}  // namespace

bool GamePanel::onCommand(MainElement index) {
  switch (index) {
    case LinkRefreshGame: refreshGameList(); return true;
    case BtnFilterGame: filterByText(); return true;
    case LinkFilterGame: filterByType(0); return true;
    case LinkFilterGame4: filterByType(4); return true;
    case LinkFilterGame8: filterByType(8); return true;
    case BtnRunGame: runGame(); return true;
    case LinkSetGamePath: chooseGamePath(); return true;
    default: return false;
  }
}

bool GamePanel::onCommandId(const std::wstring& id) {
  if (id.starts_with(L"filtergame_")) {
    if (id.size() < 12) return false;
    filterByInitial(id[11]);
    return true;
  }
  if (id.starts_with(L"game")) {
    choose(numberAfter(id, 4));
    return true;
  }
  return false;
}

bool GamePanel::onMessage(UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_GAME_PROGRESS: onProgress(lParam); return true;
    case WM_GAME_FETCH_FAILED: onFetchFailed(); return true;
    case WM_GAME_LIST_READY: onListReady(); return true;
    default: return false;
  }
}

void GamePanel::onOpened() {
  if (!requested_) refreshGameList();
}

// The search box, the search button and the filters; the type filters only
// for international accounts, which see both kinds of games.
void GamePanel::showTools(bool shown) {
  const wchar_t* display = shown ? L"block" : L"none";
  view_.show(TxtGameFilter, display);
  view_.show(BtnFilterGame, display);
  view_.show(FilterZone, display);
  view_.show(LinkFilterGame, display);
  const bool byType = shown && ClientState::instance().accountType() == 8;
  view_.show(LinkFilterGame4, byType ? L"block" : L"none");
  view_.show(LinkFilterGame8, byType ? L"block" : L"none");
}

void GamePanel::refreshGameList() {
  if (loaded_) {
    if (const auto refusal = refreshRefusal(RefreshedList::Games, loadedAt_.days, localNow().days)) {
      view_.showMessage(*refusal);
      return;
    }
  }
  requested_ = true;
  showTools(false);
  view_.show(LinkRefreshGame, L"none");
  view_.show(PgsGame, L"block");
  view_.show(TxtGameProgress, L"block");
  startGameListWorker();
}

void GamePanel::onProgress(LPARAM record) {
  const auto progress = adoptProgress(record);
  if (progress == nullptr) return;
  if (!progress->text.empty()) view_.setText(TxtGameProgress, progress->text);
  htmlayout::dom::element bar = view_.page(PgsGame);
  bar.set_attribute("value", std::to_wstring(progress->percent));
}

void GamePanel::onListReady() {
  // Appended to what the list shows; the filters start from an empty list.
  htmlayout::dom::element list = view_.page(GameList);
  for (const auto& [id, game] : ClientState::instance().games()) appendGameEntry(list, game);
  showTools(true);
  view_.show(LinkRefreshGame, L"none");
  view_.show(PgsGame, L"none");
  view_.show(TxtGameProgress, L"none");
  loaded_ = true;
  loadedAt_ = localNow();
}

void GamePanel::onFetchFailed() {
  showTools(false);
  view_.show(PgsGame, L"none");
  view_.show(TxtGameProgress, L"none");
  view_.show(LinkRefreshGame, L"block");
  view_.showMessage(kGameFetchFailed);
}

void GamePanel::showGames(const std::vector<GameRecord>& games) {
  htmlayout::dom::element list = view_.page(GameList);
  list.clear();
  for (const GameRecord& game : games) appendGameEntry(list, game);
}

void GamePanel::filterByType(int32_t type) { showGames(gamesOfType(ClientState::instance().games(), type)); }

// The letter and text filters leave the names they compared in lower case in
// the catalogue. The catalogue is not replaced meanwhile: its fetch can only
// start with the filters hidden.
void GamePanel::filterByInitial(wchar_t letter) {
  ClientState& state = ClientState::instance();
  auto games = state.games();
  const auto found = gamesByInitial(games, letter);
  state.setGames(std::move(games));
  showGames(found);
}

void GamePanel::filterByText() {
  ClientState& state = ClientState::instance();
  auto games = state.games();
  const auto found = gamesContaining(games, view_.page(TxtGameFilter).text());
  state.setGames(std::move(games));
  showGames(found);
}

void GamePanel::choose(int32_t gameId) {
  const auto games = ClientState::instance().games();
  const auto found = games.find(gameId);
  if (found == games.end()) return;
  selectedGameId_ = gameId;
  view_.setText(TxtCurrentGame, found->second.name);
  view_.selectPanel(L"panel-id1");
  saveGameSelection(static_cast<DWORD>(gameId), found->second.name);
  showBestNode(view_, gameId);
}

void GamePanel::runGame() {
  if (const std::optional<std::wstring> path = readGamePath(selectedGameId_)) {
    // Not with this program's administrator rights where the system allows it;
    // a path that no longer exists fails silently, as the shell does.
    startGame(view_.window(), *path);
    return;
  }
  // The game starts on the next click, once a path is stored.
  chooseGamePath();
}

void GamePanel::chooseGamePath() {
  const std::wstring title = L"请选择" + view_.page(TxtCurrentGame).text() + L"运行文件";
  if (const std::optional<std::wstring> path = askForExecutable(view_.window(), title))
    writeGamePath(selectedGameId_, *path);
}

}  // namespace kestro
