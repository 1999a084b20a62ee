#include "service/game_list_worker.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestro {
namespace {

TEST(GameListProgress, SeventeenGamesRunFrom15To95) {
  std::vector<int32_t> seen;
  for (size_t i = 0; i < 17; ++i) seen.push_back(gameProgressPercent(i, 17));
  EXPECT_EQ(seen.front(), 15);
  EXPECT_EQ(seen.back(), 95);
  EXPECT_EQ(seen[1], 20);
}

TEST(GameListProgress, IntegerPartOfTheFraction) {
  EXPECT_EQ(gameProgressPercent(2, 3), 71);   // 15 + 2 x 28.33
  EXPECT_EQ(gameProgressPercent(3, 51), 20);  // 15 + 3 x 1.666..., exactly 20
  EXPECT_EQ(gameProgressPercent(0, 1), 15);
}

}  // namespace
}  // namespace kestro
