// Workers that run out of memory while they read a reply report their failure
// instead of ending the program, and change nothing.
#include <gtest/gtest.h>

#include <string>

#include "app/client_state.h"
#include "app/window_messages.h"
#include "service/announcements_worker.h"
#include "service/game_list_worker.h"
#include "service/login_worker.h"
#include "tests/service/worker_harness_win.h"
#include "tests/support/failing_allocations_win.h"
#include "tests/support/scripted_server_win.h"

namespace kestro {
namespace {

using namespace kestro::test;

// Well below the replies below, well above anything else a worker allocates.
constexpr size_t kFailingSize = 16 * 1024;

// `Worker` on a thread whose allocations of kFailingSize or more fail.
template <void (*Worker)()>
void outOfMemory() {
  FailingAllocations failing(kFailingSize);
  Worker();
}

WorkerRun runOutOfMemory(void (*worker)(), ReportTo window, const std::vector<UINT>& finals, const std::string& body) {
  ScriptedServer server({answer(200, body)});
  ServiceUrlOverride url(server.url(L"/"));
  return runWorker(worker, window, finals);
}

// A JSON array of `count` objects, each {"id":i,<member>}.
std::string listOf(int count, const std::string& member) {
  std::string list = "[";
  for (int i = 0; i < count; ++i) list += (i ? R"(,{"id":)" : R"({"id":)") + std::to_string(i) + "," + member + "}";
  return list + "]";
}

TEST(WorkersOutOfMemory, LoginReportsAConnectionFailure) {
  ClientState::instance().setExpireDate(L"before");
  const std::string reply = R"({"authed":true,"expiredate":"2027-03-15","ipname":")" + std::string(64 * 1024, 'x') + "\"}";
  const WorkerRun run = runOutOfMemory(outOfMemory<runLoginWorker>, ReportTo::LoginWindow,
                                       {WM_LOGIN_CONNECT_FAILED, WM_LOGIN_SUCCEEDED}, reply);
  ASSERT_FALSE(run.messages.empty());
  EXPECT_EQ(run.messages.back(), WM_LOGIN_CONNECT_FAILED);
  EXPECT_EQ(ClientState::instance().expireDate(), L"before");
}

TEST(WorkersOutOfMemory, GameListReportsAFailedFetch) {
  ClientState::instance().setGames({{7, GameRecord{7, L"previous"}}});
  const WorkerRun run = runOutOfMemory(outOfMemory<runGameListWorker>, ReportTo::MainWindow,
                                       {WM_GAME_FETCH_FAILED, WM_GAME_LIST_READY}, listOf(600, R"("gamename":"游戏")"));
  ASSERT_FALSE(run.messages.empty());
  EXPECT_EQ(run.messages.back(), WM_GAME_FETCH_FAILED);
  EXPECT_EQ(ClientState::instance().games().size(), 1u);
}

TEST(WorkersOutOfMemory, AnnouncementsReportAFailedFetch) {
  ClientState::instance().setAnnouncements({{1, L"old"}});
  const WorkerRun run = runOutOfMemory(outOfMemory<runAnnouncementsWorker>, ReportTo::MainWindow,
                                       {WM_ANNOUNCE_FAILED, WM_ANNOUNCE_READY},
                                       listOf(900, R"("articletitle":"维护通知维护通知")"));
  EXPECT_EQ(run.messages, std::vector<UINT>{WM_ANNOUNCE_FAILED});
  EXPECT_EQ(ClientState::instance().announcements().at(1), L"old");
}

}  // namespace
}  // namespace kestro
