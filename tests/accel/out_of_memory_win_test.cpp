// A route run that runs out of memory fails as a run that could set no route
// does (row 6 in error, the acceleration stopped) instead of ending the program
// with routes of its own in the system's table.
#include <gtest/gtest.h>

#include "accel/acceleration_texts.h"
#include "accel/routes_win.h"
#include "app/client_state.h"
#include "tests/accel/accel_test_support_win.h"
#include "tests/support/failing_allocations_win.h"

namespace kestro {
namespace {

TEST(RoutesOutOfMemory, TheRunFailsAndStopsTheAccelerationWithNoRowLeft) {
  test::ScriptedRouteTable table;
  table.adapters = {{12, "10.77.0.2", "255.255.255.0"}};
  test::MainWindowRecorder window;
  ClientState& state = ClientState::instance();
  state.setTunnelGateway(L"10.77.0.1");
  state.setAdapterAddress(L"10.77.0.2");
  state.setAdapterMask(L"255.255.255.0");
  std::vector<RouteTarget> targets;
  for (int i = 0; i < 600; ++i) targets.push_back({L"198.51.100." + std::to_wstring(i % 250), 32});
  state.setRouteTargets(targets);
  claimRoutes(3);
  {
    // A copy of the targets is far larger than this; nothing else of the run is.
    test::FailingAllocations failing(8 * 1024);
    installRoutes(3);
  }
  ASSERT_TRUE(window.pumpUntilMessage(WM_ACC_STOP, 5000));
  ASSERT_FALSE(window.steps().empty());
  EXPECT_EQ(window.steps().back().state, kStepError);
  EXPECT_EQ(window.steps().back().detail, acctext::kRoutesFailed);
  EXPECT_TRUE(table.created.empty());
  EXPECT_TRUE(state.installedRoutes().empty());
  removeInstalledRoutes();
}

}  // namespace
}  // namespace kestro
