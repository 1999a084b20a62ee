#include "accel/game_connections.h"

#include <gtest/gtest.h>

#include <set>

#include "accel/route_targets.h"

namespace kestro {
namespace {

uint32_t ip(const wchar_t* dotted) { return parseDottedAddress(dotted).value(); }

constexpr uint32_t kEstablished = 5;
constexpr uint32_t kListen = 2;
constexpr uint32_t kTimeWait = 11;

// A scripted route table: the addresses whose route goes into the tunnel.
struct ScriptedRoutes {
  std::set<uint32_t> tunnelled;
  std::function<bool(uint32_t)> lookup() const {
    return [this](uint32_t address) { return tunnelled.count(address) != 0; };
  }
};

TEST(GameConnections, TheGamesProcessesAreThoseRunningItsProgramFileInAnyCase) {
  const std::vector<ProcessImage> processes = {{10, L"C:\\Games\\DNF\\DNF.exe"},
                                               {11, L"C:\\Windows\\explorer.exe"},
                                               {12, L"c:\\games\\dnf\\dnf.EXE"},
                                               {13, L"D:\\Games\\DNF\\DNF.exe"},
                                               {14, L"C:\\Games\\DNF\\DNF.exe.bak"}};
  EXPECT_EQ(gameProcessIds(processes, L"C:\\Games\\DNF\\DNF.exe"), (std::vector<uint32_t>{10, 12}));
  EXPECT_TRUE(gameProcessIds(processes, L"").empty()) << "no stored path names no process";
  EXPECT_TRUE(gameProcessIds(processes, L"C:\\Games\\DNF").empty());
}

TEST(GameConnections, CountsTheGamesServerConnectionsAgainstTheRouteTable) {
  ScriptedRoutes routes;
  routes.tunnelled = {ip(L"192.0.2.10"), ip(L"203.0.113.7")};
  const std::vector<TcpConnectionRow> rows = {
      {ip(L"192.0.2.10"), 9000, kEstablished, 40},      // covered
      {ip(L"192.0.2.20"), 9000, kEstablished, 40},      // bypasses
      {ip(L"192.0.2.20"), 9001, kEstablished, 41},      // bypasses, the same address from the game's second process
      {ip(L"203.0.113.7"), 443, 3, 41},                 // covered, still connecting (SYN sent)
      {ip(L"198.51.100.9"), 80, kEstablished, 99},      // another program's
      {ip(L"127.0.0.1"), 5000, kEstablished, 40},       // loopback: not a server
      {0, 0, kListen, 40},                              // a listener
      {ip(L"198.51.100.30"), 7000, kTimeWait, 40},      // over
      {ip(L"198.51.100.31"), 7000, 1, 40},              // closed
  };
  const GameConnections found = countGameConnections(rows, {40, 41}, {}, routes.lookup());
  EXPECT_TRUE(found.gameRuns);
  EXPECT_EQ(found.connections, 4u);
  EXPECT_EQ(found.accelerated, 2u);
  EXPECT_EQ(found.bypassing, std::vector<uint32_t>{ip(L"192.0.2.20")});
  EXPECT_EQ(found.moreBypassing, 0u);
  EXPECT_EQ(connectionCountText(found), L"游戏连接 4 个，已加速 2 个");
  EXPECT_EQ(bypassingText(found), L"未经加速：192.0.2.20");

  // Once its route is in, the same table counts every connection accelerated.
  routes.tunnelled.insert(ip(L"192.0.2.20"));
  const GameConnections routed = countGameConnections(rows, {40, 41}, {}, routes.lookup());
  EXPECT_EQ(connectionCountText(routed), L"游戏连接 4 个，已加速 4 个");
  EXPECT_TRUE(routed.bypassing.empty());
  EXPECT_EQ(bypassingText(routed), L"");
}

// Wine names no owner of any connection: the machine's connections are
// counted then, but this program's own (the node's, the service's), and the
// view says whose they are.
TEST(GameConnections, ATableWithoutOwnersCountsTheMachinesConnectionsButTheProgramsOwn) {
  ScriptedRoutes routes;
  routes.tunnelled = {ip(L"192.0.2.10")};
  const std::vector<TcpConnectionRow> rows = {
      {ip(L"192.0.2.10"), 9000, kEstablished, 0},     {ip(L"192.0.2.20"), 9000, kEstablished, 0},
      {ip(L"198.51.100.104"), 7000, kEstablished, 0}, {ip(L"192.0.2.80"), 80, kEstablished, 0},
      {ip(L"127.0.0.1"), 5000, kEstablished, 0},      {0, 0, kListen, 0},
  };
  const GameConnections found =
      countGameConnections(rows, {40}, {ip(L"198.51.100.104"), ip(L"192.0.2.80")}, routes.lookup());
  EXPECT_FALSE(found.ownersKnown);
  EXPECT_EQ(connectionCountText(found), L"本机连接 2 个，已加速 1 个");
  EXPECT_EQ(found.bypassing, std::vector<uint32_t>{ip(L"192.0.2.20")});
  EXPECT_EQ(connectionsNoteText(found), L"（系统未提供连接所属的程序，已列出本机全部TCP连接；UDP流量无法以此方式列出）");

  // One owned connection is enough to tell the game's from the others.
  std::vector<TcpConnectionRow> owned = rows;
  owned.push_back({ip(L"203.0.113.7"), 443, kEstablished, 41});
  const GameConnections byOwner = countGameConnections(owned, {40}, {}, routes.lookup());
  EXPECT_TRUE(byOwner.ownersKnown);
  EXPECT_EQ(connectionCountText(byOwner), L"游戏连接 0 个，已加速 0 个");
  EXPECT_EQ(connectionsNoteText(byOwner), L"（仅列出TCP连接，UDP流量无法以此方式列出）");
}

TEST(GameConnections, BeforeTheGameRunsTheViewSaysSo) {
  const std::vector<TcpConnectionRow> rows = {{ip(L"192.0.2.20"), 9000, kEstablished, 40}};
  const GameConnections none = countGameConnections(rows, {}, {}, [](uint32_t) { return false; });
  EXPECT_FALSE(none.gameRuns);
  EXPECT_EQ(none.connections, 0u);
  EXPECT_EQ(connectionCountText(none), L"游戏未运行");
  const GameConnections idle = countGameConnections({}, {40}, {}, [](uint32_t) { return false; });
  EXPECT_EQ(connectionCountText(idle), L"游戏连接 0 个，已加速 0 个") << "running, with no connection yet";
}

TEST(GameConnections, TheBypassingAddressesAreBounded) {
  std::vector<TcpConnectionRow> rows;
  for (int host = 1; host <= 12; ++host) {
    const std::wstring address = L"198.51.100." + std::to_wstring(host);
    rows.push_back({ip(address.c_str()), 9000, kEstablished, 7});
    rows.push_back({ip(address.c_str()), 9001, kEstablished, 7});
  }
  const GameConnections found = countGameConnections(rows, {7}, {}, [](uint32_t) { return false; });
  EXPECT_EQ(found.connections, 24u);
  ASSERT_EQ(found.bypassing.size(), kMaxBypassingAddresses);
  EXPECT_EQ(found.bypassing.front(), ip(L"198.51.100.1"));
  EXPECT_EQ(found.bypassing.back(), ip(L"198.51.100.8"));
  EXPECT_EQ(found.moreBypassing, 4u);
  EXPECT_EQ(bypassingText(found),
            L"未经加速：198.51.100.1、198.51.100.2、198.51.100.3、198.51.100.4、198.51.100.5、198.51.100.6、"
            L"198.51.100.7、198.51.100.8 等另外 4 个地址");
}

TEST(GameConnections, AddingRefusesCoveredNodeServiceAndLoopbackAddressesWithAReason) {
  ScriptedRoutes routes;
  routes.tunnelled = {ip(L"192.0.2.10")};
  const AddedAddressCheck check =
      checkAddedAddresses({ip(L"192.0.2.20"), ip(L"192.0.2.10"), ip(L"198.51.100.104"), ip(L"127.0.0.1"),
                           ip(L"192.0.2.80"), ip(L"203.0.113.60")},
                          routes.lookup(), ip(L"198.51.100.104"), ip(L"192.0.2.80"));
  EXPECT_EQ(check.accepted, (std::vector<uint32_t>{ip(L"192.0.2.20"), ip(L"203.0.113.60")}));
  EXPECT_EQ(check.refusals, (std::vector<std::wstring>{
                                L"地址“192.0.2.10”已经通过加速通道，无需加入",
                                L"路由目标“198.51.100.104/32”包含加速节点的地址，已忽略",
                                L"路由目标“127.0.0.1/32”是本机回环地址，已忽略",
                                L"路由目标“192.0.2.80/32”包含泓迈中心服务器的地址，已忽略",
                            }));
}

}  // namespace
}  // namespace kestro
