// Who owns the routes: the attempt whose route run started last. Two runs of
// two attempts overlap here for real (the route seam blocks a creation until
// the test releases it), with Wine's registry for the journal.
#include "accel/routes_win.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "accel/acceleration_texts.h"
#include "accel/route_journal_win.h"
#include "app/client_state.h"
#include "tests/accel/accel_test_support_win.h"

namespace kestro {
namespace {

DWORD address(const char* dotted) { return inet_addr(dotted); }

// Handles the sent reports of the route threads on this thread until `done`.
bool pumpUntil(const std::function<bool()>& done, DWORD ms = 10000) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  while (!done()) {
    if (GetTickCount64() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return true;
}

class RouteOwnership : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRouteJournalKey);
    ClientState& state = ClientState::instance();
    removeInstalledRoutes();
    state.setTunnelGateway(L"10.77.0.1");
    state.setAdapterAddress(L"10.77.0.2");
    state.setAdapterMask(L"255.255.255.0");
    state.setTunnelNode(L"127.0.0.11");
    table_.adapters = {{12, "10.77.0.2", "255.255.255.0"}};
    // The first creation of 198.51.100.1 waits until the test releases it.
    routeSystem().createIpForwardEntry = [this](MIB_IPFORWARDROW* row) {
      std::unique_lock lock(mutex_);
      created_.push_back(row->dwForwardDest);
      if (row->dwForwardDest == address("198.51.100.1") && !released_) {
        blocked_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
      }
      return DWORD{ERROR_SUCCESS};
    };
  }
  void TearDown() override {
    release();
    removeInstalledRoutes();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRouteJournalKey);
  }

  bool blocked() {
    std::lock_guard lock(mutex_);
    return blocked_;
  }
  void release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  // Rows created and not deleted since, by destination.
  std::multiset<DWORD> inTheTable() {
    std::lock_guard lock(mutex_);
    std::multiset<DWORD> rows(created_.begin(), created_.end());
    for (const MIB_IPFORWARDROW& row : table_.deletedRows()) {
      if (const auto found = rows.find(row.dwForwardDest); found != rows.end()) rows.erase(found);
    }
    return rows;
  }
  static std::multiset<DWORD> recorded() {
    std::multiset<DWORD> rows;
    for (const ForwardRow& row : ClientState::instance().installedRoutes()) rows.insert(row.forwardDest);
    return rows;
  }

  test::ScriptedRouteTable table_;
  test::MainWindowRecorder window_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<DWORD> created_;
  bool blocked_ = false;
  bool released_ = false;
};

// A retry's run takes the routes while the failed attempt's run is still
// creating one: the old run adds no more, removes nothing of the new one, and
// each reports for itself.
TEST_F(RouteOwnership, AnEarlierAttemptsRunNeitherAddsToNorRemovesALaterOnesRoutes) {
  ClientState& state = ClientState::instance();
  state.setRouteTargets({{L"198.51.100.1", 32}, {L"198.51.100.2", 32}});
  claimRoutes(1);
  std::thread earlier([] { installRoutes(1); });
  ASSERT_TRUE(pumpUntil([&] { return blocked(); }));

  state.setRouteTargets({{L"203.0.113.7", 32}, {L"203.0.113.8", 32}});
  bool later = false;
  std::thread retry([&] {
    claimRoutes(2);  // waits for the creation under way
    installRoutes(2);
    later = true;
  });
  Sleep(300);
  release();
  ASSERT_TRUE(pumpUntil([&] { return later && window_.count(WM_ROUTES_READY) == 2; }));
  earlier.join();
  retry.join();

  const std::multiset<DWORD> retryRows{address("203.0.113.7"), address("203.0.113.8")};
  EXPECT_EQ(recorded(), retryRows);
  EXPECT_EQ(inTheTable(), retryRows);
  for (const AccStepRecord& step : window_.steps()) {
    EXPECT_EQ(step.row, kRouteStepRow);
    EXPECT_TRUE(step.attempt == 1 || step.attempt == 2);
    EXPECT_EQ(step.detail, L"") << "attempt " << step.attempt;
  }
  EXPECT_EQ(test::routeJournalEntries().size(), 2u);
  removeInstalledRoutes();
  EXPECT_TRUE(inTheTable().empty());
  EXPECT_TRUE(test::routeJournalEntries().empty());
}

// The program exits while a run is creating a row: every row goes, the one
// under way too, and the run adds nothing after it.
TEST_F(RouteOwnership, AnExitWhileARunAddsRowsLeavesNoRow) {
  ClientState::instance().setRouteTargets({{L"198.51.100.1", 32}, {L"198.51.100.2", 32}, {L"198.51.100.3", 32}});
  claimRoutes(5);
  std::thread run([] { installRoutes(5); });
  ASSERT_TRUE(pumpUntil([&] { return blocked(); }));
  std::thread exit([] { removeInstalledRoutes(); });
  Sleep(300);
  release();
  ASSERT_TRUE(pumpUntil([&] { return window_.count(WM_ROUTES_READY) == 1; }));
  run.join();
  exit.join();
  EXPECT_TRUE(recorded().empty());
  EXPECT_TRUE(inTheTable().empty());
  EXPECT_TRUE(test::routeJournalEntries().empty());
  EXPECT_EQ(addRoute(5, ForwardRow{address("198.51.100.9")}), kRouteNotOwned);
}

// A late end of an earlier attempt's tunnel (its worker removes its routes)
// leaves a later attempt's routes alone.
TEST_F(RouteOwnership, AnEarlierAttemptsEndRemovesNothingOfALaterOne) {
  release();
  ClientState::instance().setRouteTargets({{L"203.0.113.7", 32}});
  claimRoutes(7);
  installRoutes(7);
  ASSERT_TRUE(pumpUntil([&] { return window_.count(WM_ROUTES_READY) == 1; }));
  removeRoutesOf(6);
  EXPECT_EQ(recorded(), std::multiset<DWORD>{address("203.0.113.7")});
  removeRoutesOf(7);
  EXPECT_TRUE(recorded().empty());
  EXPECT_TRUE(inTheTable().empty());
}

// Refused targets and a journal that cannot be written are said in row 6's
// warning; nothing harmful and nothing unjournalled reaches the table.
TEST_F(RouteOwnership, RefusedTargetsAndUnjournalledRowsAreWarnedOfAndNeverCreated) {
  release();
  ClientState& state = ClientState::instance();
  state.setRouteTargets({{L"0.0.0.0", 0}, {L"127.0.0.11", 32}, {L"203.0.113.7", 32}});
  claimRoutes(8);
  installRoutes(8);
  ASSERT_TRUE(pumpUntil([&] { return window_.count(WM_ROUTES_READY) == 1; }));
  EXPECT_EQ(inTheTable(), std::multiset<DWORD>{address("203.0.113.7")});
  ASSERT_FALSE(window_.steps().empty());
  EXPECT_EQ(window_.steps().back().state, kStepWarn);
  EXPECT_EQ(window_.steps().back().detail,
            L"路由目标“0.0.0.0/0”会使全部网络流量进入加速通道，已忽略；"
            L"路由目标“127.0.0.11/32”包含加速节点的地址，已忽略");
  removeInstalledRoutes();

  // A registry that refuses the journal's entries: no row is created.
  table_.journalWrites = false;
  state.setRouteTargets({{L"203.0.113.8", 32}});
  claimRoutes(9);
  installRoutes(9);
  ASSERT_TRUE(pumpUntil([&] { return window_.count(WM_ROUTES_READY) == 2; }));
  EXPECT_TRUE(inTheTable().empty());
  EXPECT_EQ(window_.steps().back().detail,
            L"无法写入路由记录，1条路由未添加；" + std::wstring(acctext::kSomeRoutesFailed));
}

}  // namespace
}  // namespace kestro
