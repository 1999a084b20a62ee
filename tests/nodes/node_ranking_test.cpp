#include "nodes/node_ranking.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

namespace kestro {
namespace {

constexpr wchar_t kBar2[] = L"url(PROGRESSBARBODY2.PNG)";
constexpr wchar_t kBar4[] = L"url(PROGRESSBARBODY4.PNG)";
constexpr wchar_t kBar6[] = L"url(PROGRESSBARBODY6.PNG)";
constexpr wchar_t kBar8[] = L"url(PROGRESSBARBODY8.PNG)";
constexpr wchar_t kLoadOnly[] = L"无法获得节点延时，节点适合度仅依据节点负载程度推荐";

struct RankCase {
  const char* name;
  float load;
  int32_t latency;
  int32_t score;
  const wchar_t* scoreText;
  const wchar_t* restText;
  const wchar_t* category;
  const wchar_t* barImage;
};

void expectRanking(std::initializer_list<RankCase> cases) {
  for (const RankCase& c : cases) {
    NodeRecord node;
    node.load = c.load;
    rankNode(node, c.latency);
    EXPECT_EQ(node.latency, c.latency) << c.name;
    EXPECT_EQ(node.score, c.score) << c.name;
    EXPECT_EQ(node.scoreText, c.scoreText) << c.name;
    EXPECT_EQ(node.restText, c.restText) << c.name;
    EXPECT_EQ(node.category, c.category) << c.name;
    EXPECT_EQ(node.barImage, c.barImage) << c.name;
  }
}

TEST(NodeRanking, ScoresCategoriesAndBars) {
  expectRanking({
      {"half load, 30 ms", 0.5f, 30, 72, L"72", L"28", L"推荐节点", kBar8},
      {"overloaded, 10 ms", 0.9f, 10, 74, L"74", L"26", L"推荐节点", kBar8},
      {"idle, 0 ms", 0.0f, 0, 100, L"100", L"0", L"最适合节点", kBar8},
      {"idle, 200 ms is exactly 20", 0.0f, 200, 20, L"20", L"80", L"不可用节点", kBar2},
      {"idle, 900 ms", 0.0f, 900, 20, L"20", L"80", L"不可用节点", kBar2},
      {"load 0.8 counts nothing, 50 ms gives 50", 0.8f, 50, 50, L"50", L"50", L"基本流畅节点", kBar6},
      {"exactly 60 is not above 60", 0.5f, 50, 60, L"60", L"40", L"基本流畅节点", kBar6},
      {"49 ms", 0.5f, 49, 60, L"61", L"39", L"推荐节点", kBar8},
      {"79.6 truncates to 79 but prints 80", 0.0f, 34, 79, L"80", L"20", L"推荐节点", kBar8},
      {"119 ms", 1.0f, 119, 30, L"30", L"70", L"不推荐节点", kBar4},
      {"160 ms", 0.5f, 160, 25, L"25", L"75", L"不推荐节点", kBar4},
      {"invalid handle: load alone, full bar", 0.3f, -1, 70, L"70", L"30", kLoadOnly, kBar8},
      {"no memory, overloaded", 0.85f, -2, 0, L"0", L"100", kLoadOnly, kBar8},
      {"unreachable", 0.1f, -5, 0, L"0", L"100", L"不可用节点", kBar2},
  });
}

TEST(NodeRanking, ReRankingReplacesTheEarlierResult) {
  NodeRecord node;
  node.load = 0.2f;
  rankNode(node, 10);
  EXPECT_EQ(node.category, L"最适合节点");
  rankNode(node, -5);
  EXPECT_EQ(node.score, 0);
  EXPECT_EQ(node.scoreText, L"0");
  EXPECT_EQ(node.category, L"不可用节点");
  EXPECT_EQ(node.barImage, kBar2);
}

TEST(NodeRanking, LoadOutsideZeroToOneCountsAsTheNearerEnd) {
  expectRanking({
      {"far below 0, 10 ms", -3e38f, 10, 94, L"94", L"6", L"最适合节点", kBar8},
      {"below 0, 900 ms stays unusable", -10.0f, 900, 20, L"20", L"80", L"不可用节点", kBar2},
      {"just below 0, 200 ms", -0.001f, 200, 20, L"20", L"80", L"不可用节点", kBar2},
      {"far below 0, load alone", -3e38f, -1, 100, L"100", L"0", kLoadOnly, kBar8},
      {"above 1, 10 ms", 1.5f, 10, 74, L"74", L"26", L"推荐节点", kBar8},
      {"far above 1, load alone", 3e38f, -2, 0, L"0", L"100", kLoadOnly, kBar8},
      {"NaN counts as idle", NAN, 0, 100, L"100", L"0", L"最适合节点", kBar8},
  });
}

TEST(NodeRanking, ScoresStayWithinZeroToHundredAndTheCategoryTable) {
  const std::set<std::wstring> categories = {L"最适合节点", L"推荐节点", L"基本流畅节点", L"不推荐节点", L"不可用节点",
                                             kLoadOnly};
  for (const float load : {-3e38f, -1.0f, -1e-30f, 0.0f, 0.5f, 1.0f, 1.0001f, 1e30f, INFINITY, -INFINITY, NAN}) {
    for (const int32_t latency : {0, 1, 49, 50, 119, 120, 199, 200, 5000, -1, -2, -5}) {
      NodeRecord node;
      node.load = load;
      rankNode(node, latency);
      EXPECT_GE(node.score, 0) << load << " " << latency;
      EXPECT_LE(node.score, 100) << load << " " << latency;
      EXPECT_EQ(categories.count(node.category), 1u) << load << " " << latency;
    }
  }
}

// Scores that are exactly a half: "%.0f" (glibc and mingw-w64 alike) rounds to
// the even neighbour, and the texts are written the same way on every build.
TEST(NodeRanking, HalfScoresPrintRoundedToEven) {
  expectRanking({
      {"12.5 + 50 is 62.5", 0.375f, 50, 62, L"62", L"38", L"推荐节点", kBar8},
      {"7.5 + 30 is 37.5", 0.625f, 120, 37, L"38", L"62", L"不推荐节点", kBar4},
      {"17.5 + 0 is 17.5", 0.125f, 900, 17, L"18", L"82", L"不可用节点", kBar2},
      {"load alone, 62.5", 0.375f, -1, 62, L"62", L"38", kLoadOnly, kBar8},
      {"load alone, 87.5", 0.125f, -1, 87, L"88", L"12", kLoadOnly, kBar8},
  });
}

std::map<int32_t, NodeRecord> catalogueWithScores(std::initializer_list<std::pair<int32_t, int32_t>> scores) {
  std::map<int32_t, NodeRecord> nodes;
  for (const auto& [id, score] : scores) {
    nodes[id].id = id;
    nodes[id].score = score;
  }
  return nodes;
}

TEST(NodeRanking, ChooseBestNode) {
  EXPECT_EQ(chooseBestNode(catalogueWithScores({{7, 40}, {3, 72}, {12, 55}})), 3);
  EXPECT_EQ(chooseBestNode(catalogueWithScores({{9, 72}, {4, 72}, {6, 10}})), 4) << "ties go to the lower id";
  EXPECT_EQ(chooseBestNode(catalogueWithScores({{5, 0}, {8, 0}})), 0) << "nothing scores above 0";
  EXPECT_EQ(chooseBestNode({}), 0);
}

}  // namespace
}  // namespace kestro
