#include "standins/game/held_rounds.h"

#include <gtest/gtest.h>

namespace kestro::game {
namespace {

TEST(StandInGameHeldRounds, ALineReadsBackAsItWasWritten) {
  const std::string answered = heldRoundLine({"192.0.2.20:9000", 3, 41.25});
  EXPECT_EQ(answered, "held 192.0.2.20:9000 round 3 41.2 ms");
  const auto read = readHeldRoundLine(answered);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->server, "192.0.2.20:9000");
  EXPECT_EQ(read->round, 3);
  EXPECT_DOUBLE_EQ(read->ms.value(), 41.2);

  const std::string lost = heldRoundLine({"192.0.2.10:9000", 7, std::nullopt});
  EXPECT_EQ(lost, "held 192.0.2.10:9000 round 7 lost");
  const auto readLost = readHeldRoundLine(lost);
  ASSERT_TRUE(readLost.has_value());
  EXPECT_EQ(readLost->round, 7);
  EXPECT_FALSE(readLost->ms.has_value());

  for (const char* other : {"held 192.0.2.20:9000 connected", "held 192.0.2.20:9000 round 3 41.2", "held x round 3 4x ms",
                            "held x round 3 41.2 ms more", "tcp 192.0.2.10:9000 rounds 3 answered 0 median 0.0 ms",
                            "held x round 3 lost now", ""}) {
    EXPECT_FALSE(readHeldRoundLine(other).has_value()) << other;
  }
}

}  // namespace
}  // namespace kestro::game
