#include "app/client_state.h"

#include <gtest/gtest.h>

#include <thread>

#include "app/window_handles.h"
#include "service/voice_catalogue.h"

namespace kestro {
namespace {

TEST(ClientState, StartsEmptyWithTheDefaultMachineIdentifier) {
  ClientState state;
  EXPECT_EQ(state.machineGuid(), "00000000000000000000");
  EXPECT_EQ(state.userName(), L"");
  EXPECT_EQ(state.password(), L"");
  EXPECT_EQ(state.leaveDays(), 0);
  EXPECT_EQ(state.accountType(), 0);
  EXPECT_EQ(state.accountStatus(), 0);
  EXPECT_TRUE(state.games().empty());
  EXPECT_TRUE(state.nodes().empty());
  EXPECT_TRUE(state.voices().empty());
  EXPECT_TRUE(state.announcements().empty());
  EXPECT_TRUE(state.routeTargets().empty());
  EXPECT_TRUE(state.installedRoutes().empty());
  EXPECT_EQ(state.stopEvent(), nullptr);
  EXPECT_EQ(state.accelerating, 0);
  EXPECT_EQ(state.linkReportShown, 0);
  EXPECT_EQ(state.loggedIn, 0);
  EXPECT_EQ(state.isWow64, 0);
  EXPECT_EQ(state.monitorToken(), L"");
}

TEST(ClientState, InstanceIsOneObject) { EXPECT_EQ(&ClientState::instance(), &ClientState::instance()); }

TEST(ClientState, InstalledRoutesAreTakenExactlyOnce) {
  ClientState state;
  ForwardRow row;
  row.forwardDest = 0x0100A8C0;
  state.appendInstalledRoute(row);
  state.appendInstalledRoute(row);
  EXPECT_EQ(state.takeInstalledRoutes().size(), 2u);
  EXPECT_TRUE(state.takeInstalledRoutes().empty());
}

TEST(ClientState, UpdateNodeEditsOnlyListedNodes) {
  ClientState state;
  state.setNodes({{7, NodeRecord{.id = 7, .name = L"上海电信"}}});
  EXPECT_TRUE(state.updateNode(7, [](NodeRecord& node) { node.score = 72; }));
  EXPECT_FALSE(state.updateNode(8, [](NodeRecord& node) { node.score = 1; }));
  EXPECT_EQ(state.nodes().at(7).score, 72);
  EXPECT_EQ(state.nodes().at(7).category, L"等待计算节点适合度");
}

TEST(ClientState, StopEventIsHandedOutOnce) {
  ClientState state;
  int dummy = 0;
  state.setStopEvent(&dummy);
  EXPECT_EQ(state.takeStopEvent(), &dummy);
  EXPECT_EQ(state.takeStopEvent(), nullptr);
}

TEST(ClientState, ConcurrentReplacementAndReadsKeepWholeValues) {
  ClientState state;
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) state.setTunnelGateway(i % 2 ? L"10.8.0.1" : L"172.16.200.254");
  });
  for (int i = 0; i < 2000; ++i) {
    const std::wstring value = state.tunnelGateway();
    EXPECT_TRUE(value.empty() || value == L"10.8.0.1" || value == L"172.16.200.254");
  }
  writer.join();
}

TEST(VoiceCatalogue, HoldsTheEightBuiltInApplications) {
  ASSERT_TRUE(buildVoiceCatalogue());
  const auto voices = ClientState::instance().voices();
  ASSERT_EQ(voices.size(), 8u);
  EXPECT_EQ(voices.at(1).name, L"多玩YY");
  EXPECT_EQ(voices.at(1).code, L"yy");
  EXPECT_EQ(voices.at(6).name, L"Myts语音平台");
  EXPECT_EQ(voices.at(6).code, L"ts3");
  EXPECT_EQ(voices.at(8).name, L"网易CC");
  EXPECT_EQ(voices.at(8).code, L"cc");
}

TEST(WindowHandles, StartNull) {
  WindowHandles handles;
  EXPECT_EQ(handles.loginWindow.load(), nullptr);
  EXPECT_EQ(handles.mainWindow.load(), nullptr);
}

}  // namespace
}  // namespace kestro
