// The game panel: the games as a grid of links with search and filters, the
// game list fetch and the choice of a game.
#include "app/client_state.h"
#include "app/settings_store_win.h"
#include "app/window_messages.h"
#include "service/game_list_worker.h"
#include "service/progress_post_win.h"
#include "ui/main/game_entry.h"
#include "ui/main/game_filter.h"
#include "ui/main/main_window_texts.h"
#include "ui/main/main_window_win.h"

namespace kestro {

namespace {
constexpr wchar_t kGameFetchFailed[] = L"网络连接失败，请确认您的网络连接正常后点击“刷新游戏列表”重试！";
}  // namespace

// The search box, the search button and the filters; the type filters only
// for international accounts, which see both kinds of games.
void CMainWindow::showGameTools(bool shown) {
  const wchar_t* display = shown ? L"block" : L"none";
  show(TxtGameFilter, display);
  show(BtnFilterGame, display);
  show(FilterZone, display);
  show(LinkFilterGame, display);
  const bool byType = shown && ClientState::instance().accountType() == 8;
  show(LinkFilterGame4, byType ? L"block" : L"none");
  show(LinkFilterGame8, byType ? L"block" : L"none");
}

void CMainWindow::refreshGameList() {
  if (gameListLoaded_ != 0) {
    if (const auto refusal = refreshRefusal(RefreshedList::Games, gameListTime_.days, localNow().days)) {
      showOwnedMessage(*refusal);
      return;
    }
  }
  gameListRequested_ = 1;
  showGameTools(false);
  show(LinkRefreshGame, L"none");
  show(PgsGame, L"block");
  show(TxtGameProgress, L"block");
  startGameListWorker();
}

void CMainWindow::onGameProgress(LPARAM record) {
  const auto progress = adoptProgress(record);
  if (progress == nullptr) return;
  if (!progress->text.empty()) setText(TxtGameProgress, progress->text);
  htmlayout::dom::element bar = page(PgsGame);
  bar.set_attribute("value", std::to_wstring(progress->percent));
}

void CMainWindow::onGameListReady() {
  // Appended to what the list shows; the filters start from an empty list.
  for (const auto& [id, game] : ClientState::instance().games()) appendGameEntry(game);
  showGameTools(true);
  show(LinkRefreshGame, L"none");
  show(PgsGame, L"none");
  show(TxtGameProgress, L"none");
  gameListLoaded_ = 1;
  gameListTime_ = localNow();
}

void CMainWindow::onGameFetchFailed() {
  showGameTools(false);
  show(PgsGame, L"none");
  show(TxtGameProgress, L"none");
  show(LinkRefreshGame, L"block");
  showOwnedMessage(kGameFetchFailed);
}

void CMainWindow::appendGameEntry(const GameRecord& game) { kestro::appendGameEntry(page(GameList), game); }

void CMainWindow::showGames(const std::vector<GameRecord>& games) {
  htmlayout::dom::element list = page(GameList);
  list.clear();
  for (const GameRecord& game : games) appendGameEntry(game);
}

void CMainWindow::filterGamesByType(int32_t type) { showGames(gamesOfType(ClientState::instance().games(), type)); }

// The letter and text filters leave the names they compared in lower case in
// the catalogue. The catalogue is not replaced meanwhile: its fetch can only
// start with the filters hidden.
void CMainWindow::filterGamesByInitial(wchar_t letter) {
  ClientState& state = ClientState::instance();
  auto games = state.games();
  const auto found = gamesByInitial(games, letter);
  state.setGames(std::move(games));
  showGames(found);
}

void CMainWindow::filterGamesByText() {
  ClientState& state = ClientState::instance();
  auto games = state.games();
  const auto found = gamesContaining(games, page(TxtGameFilter).text());
  state.setGames(std::move(games));
  showGames(found);
}

void CMainWindow::chooseGame(int32_t gameId) {
  const auto games = ClientState::instance().games();
  const auto found = games.find(gameId);
  if (found == games.end()) return;
  selectedGameId = gameId;
  setText(TxtCurrentGame, found->second.name);
  selectPanel(L"panel-id1");
  saveGameSelection(static_cast<DWORD>(gameId), found->second.name);
}

}  // namespace kestro
