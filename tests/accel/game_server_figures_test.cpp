#include "accel/game_server_figures.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestro {
namespace {

std::vector<EchoOutcome> echoes(std::initializer_list<int> times) {
  std::vector<EchoOutcome> outcomes;
  for (int ms : times) outcomes.push_back(ms < 0 ? EchoOutcome{} : EchoOutcome{true, static_cast<uint32_t>(ms)});
  return outcomes;
}

TEST(GameServerChoice, EachTargetsServerInTheRepliesOrderAtMostFour) {
  // A game of the test world (its server, a /28 and a /24), then its voice
  // application's server: four.
  const std::vector<RouteTarget> game = {
      {L"192.0.2.10", 32}, {L"198.51.100.16", 28}, {L"203.0.113.0", 24}, {L"198.51.100.241", 32}, {L"192.0.2.99", 32}};
  EXPECT_EQ(chooseGameServers(game, L"198.51.100.14"),
            (std::vector<std::wstring>{L"192.0.2.10", L"198.51.100.17", L"203.0.113.1", L"198.51.100.241"}));

  const std::vector<RouteTarget> ranges = {{L"10.3.0.0", 8}, {L"10.2.0.9", 32}, {L"10.1.0.0", 16}, {L"10.2.0.9", 32}};
  EXPECT_EQ(chooseGameServers(ranges, L""), (std::vector<std::wstring>{L"10.2.0.9", L"10.1.0.1"}))
      << "a /8 is no server; no repeat";
}

TEST(GameServerChoice, NeverTheNodeNorWhatNoRouteMayTake) {
  const std::vector<RouteTarget> forged = {{L"198.51.100.14", 32}, {L"127.0.0.1", 32}, {L"224.0.0.5", 32},
                                           {L"0.0.0.0", 0},          {L"not an address", 32}, {L"192.0.2.10", 32}};
  EXPECT_EQ(chooseGameServers(forged, L"198.51.100.14"), (std::vector<std::wstring>{L"192.0.2.10"}));
  EXPECT_TRUE(chooseGameServers({}, L"198.51.100.14").empty());
}

TEST(GameServerFigures, ThePathsAverageTheirAnsweredEchoesAndCountTheLost) {
  GameServerBoard board;
  board.begin({L"192.0.2.10"});
  board.addDirect(0, echoes({160, 164, -1, 162, 161, 163}));
  const PathFigures& direct = board.servers()[0].direct;
  EXPECT_EQ(direct.averageMs(), 162u);
  EXPECT_EQ(direct.lossPercent(), 17u);
  // Through the tunnel only the last 30 echoes count: a lost start is forgotten.
  board.addAccelerated(0, echoes({-1, -1, -1}));
  for (int round = 0; round < 10; ++round) board.addAccelerated(0, echoes({47, 48, 49}));
  EXPECT_EQ(board.servers()[0].accelerated.size(), kAcceleratedWindow);
  EXPECT_EQ(board.servers()[0].acceleratedFigures().averageMs(), 48u);
  EXPECT_EQ(board.servers()[0].acceleratedFigures().lossPercent(), 0u);
  board.addDirect(5, echoes({1}));  // no such server: nothing
  EXPECT_EQ(board.servers().size(), 1u);
}

TEST(GameServerFigures, TheHeadlineClaimsOnlyWhatWasMeasured) {
  GameServerBoard board;
  EXPECT_EQ(gameServerHeadline(board), L"游戏服务器延时：正在测量");
  board.begin({});
  EXPECT_EQ(gameServerHeadline(board), L"游戏服务器延时：本游戏没有可测量的服务器地址");

  board.begin({L"192.0.2.10", L"198.51.100.17", L"203.0.113.1"});
  board.addDirect(0, echoes({162, 162, 162}));
  board.addDirect(1, echoes({24, 24, 24}));
  board.addDirect(2, echoes({-1, -1, -1}));
  EXPECT_EQ(gameServerHeadline(board), L"游戏服务器延时：正在测量");
  EXPECT_EQ(gameServerLine(board.servers()[0]), L"192.0.2.10　直连 162 毫秒 丢包 0% → 加速 正在测量");

  board.addAccelerated(0, echoes({48, 48, 48}));
  board.addAccelerated(1, echoes({88, 88, 88}));
  board.addAccelerated(2, echoes({-1, -1, -1}));
  EXPECT_EQ(gameServerHeadline(board), L"游戏服务器延时：直连 162 毫秒 → 加速 48 毫秒（降低 70%）");
  EXPECT_EQ(gameServerLine(board.servers()[0]), L"192.0.2.10　直连 162 毫秒 丢包 0% → 加速 48 毫秒 丢包 0%（降低 70%）");
  EXPECT_EQ(gameServerLine(board.servers()[1]),
            L"198.51.100.17　直连 24 毫秒 丢包 0% → 加速 88 毫秒 丢包 0%（升高 267%，比直连慢）");
  EXPECT_EQ(gameServerLine(board.servers()[2]), L"203.0.113.1　直连无回应 → 加速无回应");
}

TEST(GameServerFigures, ASlowerTunnelOrASilentServerIsSaidSo) {
  GameServerBoard board;
  board.begin({L"198.51.100.17"});
  board.addDirect(0, echoes({24, 24}));
  board.addAccelerated(0, echoes({88}));
  EXPECT_EQ(gameServerHeadline(board), L"游戏服务器延时：直连 24 毫秒 → 加速 88 毫秒（升高 267%，加速路径较慢）");

  board.begin({L"192.0.2.10"});
  board.addDirect(0, echoes({-1, -1}));
  board.addAccelerated(0, echoes({40}));
  EXPECT_EQ(gameServerHeadline(board), L"游戏服务器延时：直连无回应 → 加速 40 毫秒") << "no percent without a direct figure";

  board.begin({L"203.0.113.1", L"203.0.113.2"});
  board.addDirect(0, echoes({-1, -1}));
  board.addDirect(1, echoes({-1, -1}));
  board.addAccelerated(0, echoes({-1, -1, -1}));
  EXPECT_EQ(gameServerHeadline(board), L"游戏服务器延时：正在测量") << "one server still has no tunnel echo";
  board.addAccelerated(1, echoes({-1, -1, -1}));
  EXPECT_EQ(gameServerHeadline(board), L"游戏服务器延时：游戏服务器不回应ping，无法测量");

  EXPECT_EQ(changeText(100, 100), L"（持平）");
  EXPECT_EQ(changeText(1000, 999), L"（持平）") << "a change below half a percent is none";
  EXPECT_EQ(changeText(0, 5), L"（持平）");
}

}  // namespace
}  // namespace kestro
