#include "accel/routes_win.h"

#include <gtest/gtest.h>

#include <optional>

#include "accel/acceleration_texts.h"
#include "app/client_state.h"
#include "tests/accel/accel_test_support_win.h"
#include "tests/support/scoped_seam.h"

namespace kestro {
namespace {

// Outside a ScriptedRouteTable every route call of this program fails its test.
class RefusingRouteTable : public ::testing::Environment {
 public:
  void SetUp() override { refusing_.emplace(routeSystem(), test::refusingRouteSystem()); }
  void TearDown() override { refusing_.reset(); }

 private:
  std::optional<test::ScopedSeam<RouteSystem>> refusing_;
};
::testing::Environment* const kRefusingRouteTable = ::testing::AddGlobalTestEnvironment(new RefusingRouteTable);

DWORD address(const char* dotted) { return inet_addr(dotted); }

class Routes : public ::testing::Test {
 protected:
  void SetUp() override {
    test::setScriptedTunnel();
    ClientState& state = ClientState::instance();
    state.setRouteTargets({{L"203.0.113.7", 32}, {L"198.51.100.0", 24}, {L"192.0.2.0", 5}, {L"192.0.2.128", 40}});
    table.adapters = {{5, "192.168.1.9", "255.255.255.0"}, {12, "10.77.0.2", "255.255.255.0"}};
    state.setStopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));  // a running tunnel
  }
  void TearDown() override {
    ClientState::instance().takeInstalledRoutes();
    if (HANDLE event = static_cast<HANDLE>(ClientState::instance().takeStopEvent())) CloseHandle(event);
  }

  // Row 6 reports as (state, detail) pairs.
  std::vector<std::pair<int32_t, std::wstring>> reports() const {
    std::vector<std::pair<int32_t, std::wstring>> out;
    for (const AccStepRecord& step : window.steps()) {
      EXPECT_EQ(step.row, kRouteStepRow);
      EXPECT_EQ(step.title, acctext::kTitleRoutes);
      out.emplace_back(step.state, step.detail);
    }
    return out;
  }

  // A route run of attempt 0 on this thread, to its end.
  void installRoutesNow() {
    claimRoutes(0);
    installRoutes(0);
    ASSERT_TRUE(window.pumpUntilMessage(WM_ROUTES_READY, 5000));
  }

  test::ScriptedRouteTable table;
  test::MainWindowRecorder window;
};

TEST_F(Routes, EveryFieldOfEveryRow) {
  ASSERT_NO_FATAL_FAILURE(installRoutesNow());
  EXPECT_EQ(reports(), (std::vector<std::pair<int32_t, std::wstring>>{{kStepRunning, L""}, {kStepOk, L""}}));
  EXPECT_EQ(window.count(WM_ACC_STOP), 0);

  const struct {
    const char* destination;
    const char* mask;
  } expected[] = {{"203.0.113.7", "255.255.255.255"},
                  {"198.51.100.0", "255.255.255.0"},
                  {"192.0.2.0", "255.255.255.0"},
                  {"192.0.2.128", "255.255.255.0"}};
  ASSERT_EQ(table.created.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    const MIB_IPFORWARDROW& row = table.created[i];
    EXPECT_EQ(row.dwForwardDest, address(expected[i].destination));
    EXPECT_EQ(row.dwForwardMask, address(expected[i].mask));
    EXPECT_EQ(row.dwForwardPolicy, 0u);
    EXPECT_EQ(row.dwForwardNextHop, address("10.77.0.1"));
    EXPECT_EQ(row.dwForwardIfIndex, 12u);
    EXPECT_EQ(row.dwForwardType, 4u);
    EXPECT_EQ(row.dwForwardProto, 3u);
    EXPECT_EQ(row.dwForwardAge, 248u);
    EXPECT_EQ(row.dwForwardNextHopAS, 0u);
    EXPECT_EQ(row.dwForwardMetric1, 25u);
    EXPECT_EQ(row.dwForwardMetric2, 0xFFFFFFFFu);
    EXPECT_EQ(row.dwForwardMetric3, 0xFFFFFFFFu);
    EXPECT_EQ(row.dwForwardMetric4, 0xFFFFFFFFu);
    EXPECT_EQ(row.dwForwardMetric5, 0xFFFFFFFFu);
  }
  ASSERT_EQ(table.interfaceQueries.size(), 4u);
  EXPECT_EQ(table.interfaceQueries[0].Family, AF_INET);
  EXPECT_EQ(table.interfaceQueries[0].InterfaceLuid.Value, 0u);
  EXPECT_EQ(table.interfaceQueries[0].InterfaceIndex, 12u);
  EXPECT_EQ(ClientState::instance().installedRoutes().size(), 4u);
}

TEST_F(Routes, WindowsXpKeepsMetricOne) {
  table.majorVersion = 5;
  claimRoutes(0);
  installRoutes(0);
  ASSERT_EQ(table.created.size(), 4u);
  for (const auto& row : table.created) EXPECT_EQ(row.dwForwardMetric1, 1u);
  EXPECT_TRUE(table.interfaceQueries.empty());
}

TEST_F(Routes, AnIpHelperWithoutTheInterfaceCallKeepsMetricOne) {
  // Wine's IP Helper has no GetIpInterfaceEntry: the routes still go in.
  routeSystem().getIpInterfaceEntry = nullptr;
  ASSERT_NO_FATAL_FAILURE(installRoutesNow());
  ASSERT_EQ(table.created.size(), 4u);
  for (const auto& row : table.created) EXPECT_EQ(row.dwForwardMetric1, 1u);
  EXPECT_EQ(reports().back(), (std::pair<int32_t, std::wstring>{kStepOk, L""}));
}

TEST_F(Routes, ARouteAlreadyPresentCountsAsAdded) {
  table.createResults[address("198.51.100.0")] = ERROR_OBJECT_ALREADY_EXISTS;
  ASSERT_NO_FATAL_FAILURE(installRoutesNow());
  EXPECT_EQ(reports().back(), (std::pair<int32_t, std::wstring>{kStepOk, L""}));
}

TEST_F(Routes, ARefusedRouteWarnsAndTheAccelerationGoesOn) {
  table.createResults[address("192.0.2.0")] = ERROR_ACCESS_DENIED;
  ASSERT_NO_FATAL_FAILURE(installRoutesNow());
  EXPECT_EQ(reports().back(), (std::pair<int32_t, std::wstring>{kStepWarn, acctext::kSomeRoutesFailed}));
  EXPECT_EQ(window.count(WM_ACC_STOP), 0);
  // The refused row stays recorded, so its removal is still attempted.
  EXPECT_EQ(ClientState::instance().installedRoutes().size(), 4u);
}

TEST_F(Routes, AnInterfaceLookupFailureAddsNothingForThatRoute) {
  table.interfaceResult = ERROR_NOT_FOUND;
  claimRoutes(0);
  installRoutes(0);
  EXPECT_TRUE(table.created.empty());
  EXPECT_TRUE(ClientState::instance().installedRoutes().empty());
  EXPECT_EQ(reports().back().first, kStepWarn);
}

TEST_F(Routes, NoTargetsIsAllDone) {
  ClientState::instance().setRouteTargets({});
  ASSERT_NO_FATAL_FAILURE(installRoutesNow());
  EXPECT_EQ(reports().back(), (std::pair<int32_t, std::wstring>{kStepOk, L""}));
  EXPECT_TRUE(table.created.empty());
}

TEST_F(Routes, AnAddressNoAdapterCarriesStopsTheAcceleration) {
  ClientState::instance().setAdapterAddress(L"10.77.0.99");
  claimRoutes(0);
  installRoutes(0);
  ASSERT_TRUE(window.pumpUntilMessage(WM_ACC_STOP, 5000));
  EXPECT_EQ(reports().back(), (std::pair<int32_t, std::wstring>{kStepError, acctext::kAdapterNotFound}));
  EXPECT_EQ(window.count(WM_ROUTES_READY), 0);
  EXPECT_TRUE(table.created.empty());
}

TEST_F(Routes, NoAdapterInformationOrNoAddressFails) {
  table.adaptersInfoResult = ERROR_NOT_SUPPORTED;
  claimRoutes(0);
  installRoutes(0);
  ClientState::instance().setAdapterMask(L"");
  table.adaptersInfoResult = ERROR_SUCCESS;
  claimRoutes(0);
  installRoutes(0);
  ASSERT_TRUE(window.recorder().pumpUntil([](const auto& entries) { return entries.size() >= 6; }, 5000));
  EXPECT_EQ(reports(), (std::vector<std::pair<int32_t, std::wstring>>{{kStepRunning, L""},
                                                                      {kStepError, acctext::kRoutesFailed},
                                                                      {kStepRunning, L""},
                                                                      {kStepError, acctext::kRoutesFailed}}));
  EXPECT_EQ(window.count(WM_ACC_STOP), 2);
  EXPECT_TRUE(table.created.empty());
}

TEST_F(Routes, RemovalDeletesEveryRecordedRowOnce) {
  claimRoutes(0);
  installRoutes(0);
  ASSERT_EQ(table.created.size(), 4u);
  removeInstalledRoutes();
  ASSERT_EQ(table.deleted.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(std::memcmp(&table.deleted[i], &table.created[i], sizeof(MIB_IPFORWARDROW)), 0);
  EXPECT_TRUE(ClientState::instance().installedRoutes().empty());
  removeInstalledRoutes();
  EXPECT_EQ(table.deleted.size(), 4u);
}

// The tunnel ended (its worker removed its routes) before the run got to
// them: the run creates no row at all.
TEST_F(Routes, NoRowIsCreatedForATunnelThatEndedBeforeTheRun) {
  CloseHandle(static_cast<HANDLE>(ClientState::instance().takeStopEvent()));
  claimRoutes(0);
  removeRoutesOf(0);
  installRoutes(0);
  EXPECT_TRUE(table.created.empty());
  EXPECT_TRUE(ClientState::instance().installedRoutes().empty());
}

TEST_F(Routes, ANewInstallationRemovesTheRoutesOfTheLastOne) {
  claimRoutes(0);
  installRoutes(0);
  ClientState::instance().setRouteTargets({{L"203.0.113.9", 32}});
  claimRoutes(0);
  installRoutes(0);
  EXPECT_EQ(table.deleted.size(), 4u);
  EXPECT_EQ(ClientState::instance().installedRoutes().size(), 1u);
}

}  // namespace
}  // namespace kestro
