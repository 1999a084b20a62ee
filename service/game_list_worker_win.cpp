#include "service/game_list_worker.h"

#include <map>
#include <string>

#include "app/client_state.h"
#include "app/window_messages.h"
#include "base/detached_worker.h"
#include "service/progress_post_win.h"
#include "service/service_exchange.h"
#include "service/window_post_win.h"

namespace kestro {
namespace {

void report(UINT message, LPARAM lParam = 0) { postToWindow(WindowHandles::instance().mainWindow, message, lParam); }

void progress(int32_t percent, std::wstring text) {
  postProgress(WindowHandles::instance().mainWindow, WM_GAME_PROGRESS, percent, std::move(text));
}

void fetchGames() {
  ClientState& state = ClientState::instance();
  progress(5, L"正在获取支持加速的游戏列表");
  const ServiceReply reply = exchangeWithService(L"%sgame.php?type=" + std::to_wstring(state.accountType()),
                                                 HttpMethod::Get, {}, ReplyShape::Array, kMaxGames);
  if (!reply.ok()) return report(WM_GAME_FETCH_FAILED);

  progress(15, L"正在解析支持加速的游戏列表");
  EntryProgress adding(WindowHandles::instance().mainWindow, WM_GAME_PROGRESS);
  auto games = readGames(reply, [&adding](size_t i, size_t count, const GameRecord& game) {
    adding.entry(gameProgressPercent(i, count), L"正在添加" + game.name);
  });
  adding.flush();
  // A member of the wrong type fails the whole fetch; the catalogue stays as it was.
  if (!reply.ok()) return report(WM_GAME_FETCH_FAILED);

  state.setGames(std::move(games));
  report(WM_GAME_LIST_READY);
}

}  // namespace

void runGameListWorker() {
  reportingExhaustion(fetchGames, [] { report(WM_GAME_FETCH_FAILED); });
}

void startGameListWorker() { startDetachedWorker(runGameListWorker); }

}  // namespace kestro
