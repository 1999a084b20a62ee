#include "accel/game_connections_win.h"

#include <gtest/gtest.h>

#include <vector>

#include "accel/routes_win.h"
#include "app/client_state.h"
#include "tests/accel/accel_test_support_win.h"
#include "tests/support/scoped_seam.h"

namespace kestro {
namespace {

DWORD ip(const char* dotted) { return inet_addr(dotted); }

constexpr wchar_t kGamePath[] = L"C:\\Games\\DNF\\DNF.exe";

class GameConnectionCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    test::setScriptedTunnel();
    ClientState::instance().setTunnelNode(L"198.51.100.104");
    scripted.processes = {{40, kGamePath}, {41, L"C:\\Windows\\explorer.exe"}};
    scripted.rows = {test::tcpRow("192.0.2.10", 9000, MIB_TCP_STATE_ESTAB, 40),
                     test::tcpRow("192.0.2.20", 9000, MIB_TCP_STATE_ESTAB, 40),
                     test::tcpRow("198.51.100.9", 443, MIB_TCP_STATE_ESTAB, 41),
                     test::tcpRow("0.0.0.0", 0, MIB_TCP_STATE_LISTEN, 40)};
    scripted.routed = {ip("192.0.2.10")};
  }
  void TearDown() override {
    removeInstalledRoutes();
    ClientState::instance().setTunnelNode(L"");
  }

  test::ScriptedConnections scripted;
};

TEST_F(GameConnectionCheck, CountsTheGamesConnectionsByTheSystemsBestRoute) {
  const GameConnectionReport report = checkGameConnections(L"c:\\games\\dnf\\dnf.exe");
  ASSERT_TRUE(report.found.has_value());
  EXPECT_EQ(connectionCountText(*report.found), L"游戏连接 2 个，已加速 1 个");
  EXPECT_EQ(report.found->bypassing, std::vector<uint32_t>{ip("192.0.2.20")});

  // The remote port comes out of the table's network order.
  const auto rows = tcpConnectionRows();
  ASSERT_TRUE(rows.has_value());
  ASSERT_EQ(rows->size(), 4u);
  EXPECT_EQ((*rows)[0].remotePort, 9000);
  EXPECT_EQ((*rows)[0].processId, 40u);

  // A route into the adapter to another next hop is not the tunnel's.
  scripted.routes.adapters = {{5, "192.168.1.9", "255.255.255.0"}};
  EXPECT_EQ(connectionCountText(*checkGameConnections(kGamePath).found), L"游戏连接 2 个，已加速 0 个");
}

TEST_F(GameConnectionCheck, ATableThatGrowsIsReadAgainAndARefusedOneIsSaid) {
  scripted.lateRows = {test::tcpRow("192.0.2.30", 9000, MIB_TCP_STATE_SYN_SENT, 40)};
  const GameConnectionReport grown = checkGameConnections(kGamePath);
  ASSERT_TRUE(grown.found.has_value());
  EXPECT_EQ(connectionCountText(*grown.found), L"游戏连接 3 个，已加速 1 个");

  scripted.tableResult = ERROR_NOT_SUPPORTED;
  EXPECT_FALSE(checkGameConnections(kGamePath).found.has_value());
  scripted.processes = {{41, L"C:\\Windows\\explorer.exe"}};
  const GameConnectionReport notRunning = checkGameConnections(kGamePath);
  ASSERT_TRUE(notRunning.found.has_value()) << "no game, no table needed";
  EXPECT_EQ(connectionCountText(*notRunning.found), L"游戏未运行");
}

TEST_F(GameConnectionCheck, AddingRoutesABypassingAddressOnTheAccelerationsOwnPath) {
  const size_t journalled = test::routeJournalEntries().size();
  claimRoutes(7);
  const std::vector<std::wstring> refusals =
      addBypassingRoutes(7, {ip("192.0.2.20"), ip("192.0.2.10"), ip("198.51.100.104"), ip("127.0.0.2")});
  EXPECT_EQ(refusals, (std::vector<std::wstring>{L"地址“192.0.2.10”已经通过加速通道，无需加入",
                                                 L"路由目标“198.51.100.104/32”包含加速节点的地址，已忽略",
                                                 L"路由目标“127.0.0.2/32”是本机回环地址，已忽略"}));
  ASSERT_EQ(scripted.routes.created.size(), 1u);
  const MIB_IPFORWARDROW& created = scripted.routes.created[0];
  EXPECT_EQ(created.dwForwardDest, ip("192.0.2.20"));
  EXPECT_EQ(created.dwForwardMask, ip("255.255.255.255"));
  EXPECT_EQ(created.dwForwardNextHop, ip("10.77.0.1"));
  EXPECT_EQ(created.dwForwardIfIndex, test::kScriptedAdapterIndex);
  ASSERT_EQ(ClientState::instance().installedRoutes().size(), 1u) << "recorded, so that stop removes it";
  EXPECT_EQ(test::routeJournalEntries().size(), journalled + 1) << "journalled before it was created";

  removeInstalledRoutes();
  ASSERT_EQ(scripted.routes.deletedRows().size(), 1u);
  EXPECT_EQ(scripted.routes.deletedRows()[0].dwForwardDest, ip("192.0.2.20"));
  EXPECT_EQ(test::routeJournalEntries().size(), journalled);

  // After the stop the acceleration no longer owns the routes: nothing is added, and the user is told.
  EXPECT_EQ(addBypassingRoutes(7, {ip("192.0.2.20")}),
            std::vector<std::wstring>{L"加速已停止，地址“192.0.2.20”未加入加速"});
  EXPECT_EQ(scripted.routes.created.size(), 1u);
}

}  // namespace
}  // namespace kestro
