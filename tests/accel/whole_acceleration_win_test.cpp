// A whole acceleration against the reference service and the reference node
// that scripts/lib/common.sh (start_services) runs, with the program folder's
// stand-ins: start, tunnel up, routes (through the scripted route table, never
// the machine's), traffic, stop, tunnel closed; and again, with nothing left
// behind.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "accel/acceleration_start_win.h"
#include "accel/routes_win.h"
#include "app/client_state.h"
#include "tests/accel/accel_test_support_win.h"
#include "tests/support/process_handles_win.h"

namespace kestro {
namespace {

// Node 101, game 1001 and voice application 1 of the reference data, from the
// start to the tunnel's end, on a thread that has ended when this returns.
void accelerateOnce() {
  const char* service = std::getenv("KESTRO_SERVICE_URL");
  ASSERT_TRUE(service != nullptr && *service != '\0')
      << "KESTRO_SERVICE_URL is not set: run through scripts/test, which starts the reference service and node";

  test::ScriptedRouteTable table;
  table.adapters = {{9, "203.0.113.250", "255.255.255.248"}};
  test::MainWindowRecorder window;
  ClientState& state = ClientState::instance();
  state.isWow64 = 1;
  state.setUserName(L"kestro");
  state.setPassword(L"kestro123");
  state.takeInstalledRoutes();

  test::CurrentFolder folder(test::distFolder());
  std::atomic<bool> returned{false};
  const HWND target = window.window();
  std::thread worker([&] {
    runAccelerationStart({101, 1001, 1});
    returned = true;
    PostMessageW(target, WM_NULL, 0, 0);
  });
  const bool connected = window.recorder().pumpUntil(
      [&](const auto&) { return returned.load() || window.count(WM_TUNNEL_CONNECTED) > 0; }, 60000);
  EXPECT_TRUE(connected && window.count(WM_TUNNEL_CONNECTED) == 1)
      << "last step: " << (window.steps().empty() ? "none" : toUtf8(window.steps().back().detail));

  if (window.count(WM_TUNNEL_CONNECTED) == 1) {
    window.keepTunnelAddresses();
    claimRoutes(0);
    installRoutes(0);
    EXPECT_TRUE(window.pumpUntilMessage(WM_ROUTES_READY, 5000));
    EXPECT_FALSE(state.routeTargets().empty());
    EXPECT_EQ(table.created.size(), state.routeTargets().size());
    EXPECT_TRUE(window.recorder().pumpUntil([&](const auto&) { return window.count(WM_TUNNEL_TRAFFIC) >= 2; }, 10000));
  }

  // Stop: routes first, then the event.
  removeInstalledRoutes();
  if (HANDLE event = static_cast<HANDLE>(state.takeStopEvent())) {
    SetEvent(event);
    CloseHandle(event);
  }
  EXPECT_TRUE(window.recorder().pumpUntil([&](const auto&) { return returned.load(); }, 30000));
  worker.join();
  window.pumpUntilMessage(WM_TUNNEL_CLOSED, 1000);

  EXPECT_EQ(window.count(WM_TUNNEL_CLOSED), 1);
  EXPECT_EQ(window.count(WM_TUNNEL_ERROR), 0);
  EXPECT_EQ(table.deletedRows().size(), table.created.size());
  WPARAM received = 0;
  for (const auto& entry : window.recorder().entries())
    if (entry.message == WM_TUNNEL_TRAFFIC) received = entry.wParam;
  EXPECT_GT(received, 0u);
  test::removeTestAdapters();
  for (size_t i = 0; i < window.steps().size(); ++i) {
    EXPECT_NE(window.steps()[i].state, kStepError) << toUtf8(window.steps()[i].detail);
  }
}

TEST(WholeAcceleration, StartsRunsAndStopsAgainstTheReferenceStandIns) { accelerateOnce(); }

// A program that a gamer starts and stops all evening holds no more handles
// for it: not the tunnel's, not those of the threads that ran it, not the
// events of the connections to the service.
TEST(WholeAcceleration, StartsAndStopsLeaveNoHandleBehind) {
  accelerateOnce();  // what the first one opens for good (sockets, the IP helper) is open now
  const DWORD self = GetCurrentProcessId();
  const auto count = [&] { return test::systemHandles(self).size(); };
  const size_t before = count();
  const std::string kindsBefore = test::systemHandleKinds(self);
  for (int run = 0; run < 3; ++run) accelerateOnce();
  // The workers' ends follow their last message by a moment.
  const ULONGLONG deadline = GetTickCount64() + 3000;
  while (count() > before && GetTickCount64() < deadline) Sleep(50);
  EXPECT_EQ(count(), before) << "before: " << kindsBefore << "\nafter three more: " << test::systemHandleKinds(self);
}

}  // namespace
}  // namespace kestro
