#include "app/game_history.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(GameHistory, StoredTextRoundTripsAndKeepsTheNewestFive) {
  std::vector<GameSession> sessions;
  for (int32_t node = 101; node <= 107; ++node) {
    sessions = withSession(sessions, GameSession{node, node == 103 ? std::nullopt : std::optional<uint32_t>(160), 40});
  }
  ASSERT_EQ(sessions.size(), kGameHistoryLength);
  EXPECT_EQ(sessions.front().nodeId, 103);
  EXPECT_EQ(encodeGameHistory(sessions), L"103,-,40;104,160,40;105,160,40;106,160,40;107,160,40");
  EXPECT_EQ(decodeGameHistory(encodeGameHistory(sessions)), sessions);
}

TEST(GameHistory, AnEditedTextLosesOnlyItsBrokenEntries) {
  const std::vector<GameSession> sessions =
      decodeGameHistory(L"104,162,48;;x,1,2;105,,3;0,1,2;106,150;107,-,60;108,99999999999,1;109,170,50");
  EXPECT_EQ(sessions, (std::vector<GameSession>{{104, 162, 48}, {107, std::nullopt, 60}, {109, 170, 50}}));
  EXPECT_TRUE(decodeGameHistory(L"").empty());
  const std::wstring longText = L"1,1,1;2,2,2;3,3,3;4,4,4;5,5,5;6,6,6;7,7,7";
  EXPECT_EQ(decodeGameHistory(longText).front().nodeId, 3) << "the newest five";
}

TEST(GameHistory, TheBestSessionIsTheFastestThroughTheTunnelTheNewerOfEquals) {
  EXPECT_EQ(bestSession({}), std::nullopt);
  EXPECT_EQ(bestSession({{104, 162, 48}, {105, 150, 30}, {106, 140, 30}, {107, std::nullopt, 90}}),
            (GameSession{106, 140, 30}));
}

}  // namespace
}  // namespace kestro
