#include <gtest/gtest.h>

#include <string>

#include "app/client_state.h"
#include "app/window_messages.h"
#include "service/announcements_worker.h"
#include "service/game_list_worker.h"
#include "service/progress_post_win.h"
#include "tests/support/scripted_server_win.h"
#include "tests/service/worker_harness_win.h"

namespace kestro {
namespace {

using namespace kestro::test;

const std::vector<UINT> kGameFinals = {WM_GAME_FETCH_FAILED, WM_GAME_LIST_READY};
const std::vector<UINT> kAnnounceFinals = {WM_ANNOUNCE_FAILED, WM_ANNOUNCE_READY};

std::string gameJson(int id, const std::string& name, int portId = 4) {
  return R"({"id":)" + std::to_string(id) + R"(,"gameportid":)" + std::to_string(portId) + R"(,"gamename":")" + name +
         R"(","pyname":"py","enname":"EN","url":"http://127.0.0.1/","vendor":"厂商"})";
}

WorkerRun fetch(void (*worker)(), const std::vector<UINT>& finals, std::vector<ServerScript> scripts) {
  ScriptedServer server(std::move(scripts));
  ServiceUrlOverride url(server.url(L"/"));
  return runWorker(worker, ReportTo::MainWindow, finals);
}

void setPreviousGames() {
  ClientState::instance().setGames({{7, GameRecord{7, L"previous"}}});
}

TEST(GameListWorker, SeventeenGamesProgressFrom15To95) {
  std::string body = "[";
  for (int i = 0; i < 17; ++i) body += (i ? "," : "") + gameJson(100 + i, "游戏" + std::to_string(i));
  body += "]";
  const WorkerRun run = fetch(runGameListWorker, kGameFinals, {answer(200, body)});
  ASSERT_EQ(run.messages.back(), WM_GAME_LIST_READY);
  ASSERT_EQ(run.progress.size(), 19u);
  EXPECT_EQ(run.progress[0], L"5 正在获取支持加速的游戏列表");
  EXPECT_EQ(run.progress[1], L"15 正在解析支持加速的游戏列表");
  EXPECT_EQ(run.progress[2], L"15 正在添加游戏0");
  EXPECT_EQ(run.progress[3], L"20 正在添加游戏1");
  EXPECT_EQ(run.progress[18], L"95 正在添加游戏16");
  EXPECT_EQ(ClientState::instance().games().size(), 17u);
}

std::string gamesReply(size_t count) {
  std::string body = "[";
  for (size_t i = 0; i < count; ++i) body += (i ? "," : "") + gameJson(static_cast<int>(1000 + i), "游戏" + std::to_string(i));
  return body + "]";
}

// The longest catalogue, fetched while the window handles nothing: the entries'
// progress is coalesced, so the queue holds a few messages instead of one per
// game, each still with the text its worker wrote, the last game's last.
TEST(ProgressHandOff, TheLongestGameListFetchedWhileTheWindowIsBusy) {
  ScriptedServer server({answer(200, gamesReply(kMaxGames))});
  ServiceUrlOverride url(server.url(L"/"));
  const WorkerRun run = runWorker(runGameListWorker, ReportTo::MainWindow, kGameFinals, true);
  ASSERT_EQ(run.messages.back(), WM_GAME_LIST_READY);
  ASSERT_EQ(run.progress.size(), 2u + kProgressEntriesWaiting + 1u);
  EXPECT_EQ(run.progress[0], L"5 正在获取支持加速的游戏列表");
  EXPECT_EQ(run.progress[1], L"15 正在解析支持加速的游戏列表");
  for (int i = 0; i < kProgressEntriesWaiting; ++i) EXPECT_EQ(run.progress[2 + i], L"15 正在添加游戏" + std::to_wstring(i));
  EXPECT_EQ(run.progress.back(), L"99 正在添加游戏" + std::to_wstring(kMaxGames - 1));
  EXPECT_EQ(ClientState::instance().games().size(), kMaxGames);
}

TEST(GameListWorker, RecordFieldsAndFirstOfTwoEqualIds) {
  setPreviousGames();
  const WorkerRun run =
      fetch(runGameListWorker, kGameFinals, {answer(200, "[" + gameJson(3, "first", 8) + "," + gameJson(3, "second") + "]")});
  EXPECT_EQ(run.messages.back(), WM_GAME_LIST_READY);
  const auto games = ClientState::instance().games();
  ASSERT_EQ(games.size(), 1u);
  const GameRecord& game = games.at(3);
  EXPECT_EQ(game.name, L"first");
  EXPECT_EQ(game.portId, 8);
  EXPECT_EQ(game.pyName, L"py");
  EXPECT_EQ(game.enName, L"EN");
  EXPECT_EQ(game.url, L"http://127.0.0.1/");
  EXPECT_EQ(game.vendor, L"厂商");
}

TEST(GameListWorker, AccountTypeGoesIntoTheQuery) {
  ClientState::instance().setAccountType(0);
  ScriptedServer server({answer(200, "[]")});
  {
    ServiceUrlOverride url(server.url(L"/"));
    runWorker(runGameListWorker, ReportTo::MainWindow, kGameFinals);
  }
  EXPECT_EQ(server.received().at(0).substr(0, 30), "GET /game.php?type=0 HTTP/1.1\r");
}

TEST(GameListWorker, EmptyArrayEmptiesTheCatalogue) {
  setPreviousGames();
  const WorkerRun run = fetch(runGameListWorker, kGameFinals, {answer(200, "[]")});
  EXPECT_EQ(run.messages, (std::vector<UINT>{WM_GAME_PROGRESS, WM_GAME_PROGRESS, WM_GAME_LIST_READY}));
  EXPECT_TRUE(ClientState::instance().games().empty());
}

TEST(GameListWorker, FailuresLeaveTheCatalogue) {
  const std::vector<ServerScript> failures = {answer(500, "oops"), answer(200, "{}"), answer(200, "not json"),
                                              answer(200, R"([{"id":"1"}])")};
  for (const auto& script : failures) {
    setPreviousGames();
    const WorkerRun run = fetch(runGameListWorker, kGameFinals, {script});
    EXPECT_EQ(run.messages.back(), WM_GAME_FETCH_FAILED);
    EXPECT_EQ(ClientState::instance().games().count(7), 1u);
  }
}

TEST(AnnouncementsWorker, AscendingIdsFirstTitleWins) {
  const WorkerRun run = fetch(
      runAnnouncementsWorker, kAnnounceFinals,
      {answer(200, R"([{"id":61,"articletitle":"维护"},{"id":55,"articletitle":"新节点"},)"
                   R"({"id":61,"articletitle":"again"},{"id":58}])")});
  EXPECT_EQ(run.messages, std::vector<UINT>{WM_ANNOUNCE_READY});
  const auto announcements = ClientState::instance().announcements();
  std::vector<std::pair<int32_t, std::wstring>> listed(announcements.begin(), announcements.end());
  EXPECT_EQ(listed, (std::vector<std::pair<int32_t, std::wstring>>{{55, L"新节点"}, {58, L""}, {61, L"维护"}}));
}

TEST(AnnouncementsWorker, RetryAfterFailureReplacesOnlyOnSuccess) {
  ClientState::instance().setAnnouncements({{1, L"old"}});
  EXPECT_EQ(fetch(runAnnouncementsWorker, kAnnounceFinals, {answer(404, "")}).messages,
            std::vector<UINT>{WM_ANNOUNCE_FAILED});
  EXPECT_EQ(ClientState::instance().announcements().at(1), L"old");
  EXPECT_EQ(fetch(runAnnouncementsWorker, kAnnounceFinals, {answer(200, R"([{"id":2,"articletitle":"new"}])")}).messages,
            std::vector<UINT>{WM_ANNOUNCE_READY});
  EXPECT_EQ(ClientState::instance().announcements().size(), 1u);
  EXPECT_EQ(ClientState::instance().announcements().at(2), L"new");
}

TEST(AnnouncementsWorker, EmptyArrayEmptiesTheList) {
  ClientState::instance().setAnnouncements({{1, L"old"}});
  EXPECT_EQ(fetch(runAnnouncementsWorker, kAnnounceFinals, {answer(200, "[]")}).messages,
            std::vector<UINT>{WM_ANNOUNCE_READY});
  EXPECT_TRUE(ClientState::instance().announcements().empty());
}

TEST(CatalogueBounds, AGameListLongerThanTheBoundFailsAndChangesNothing) {
  setPreviousGames();
  const WorkerRun run = fetch(runGameListWorker, kGameFinals, {answer(200, gamesReply(kMaxGames + 1))});
  EXPECT_EQ(run.messages.back(), WM_GAME_FETCH_FAILED);
  EXPECT_EQ(ClientState::instance().games().count(7), 1u);
}

TEST(CatalogueBounds, AnAnnouncementListLongerThanTheBoundFailsAndChangesNothing) {
  ClientState::instance().setAnnouncements({{1, L"old"}});
  std::string body = "[";
  for (size_t i = 0; i <= kMaxAnnouncements; ++i) body += (i ? R"(,{"id":)" : R"({"id":)") + std::to_string(i) + "}";
  EXPECT_EQ(fetch(runAnnouncementsWorker, kAnnounceFinals, {answer(200, body + "]")}).messages,
            std::vector<UINT>{WM_ANNOUNCE_FAILED});
  EXPECT_EQ(ClientState::instance().announcements().at(1), L"old");
}

}  // namespace
}  // namespace kestro
