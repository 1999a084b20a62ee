#include "ui/main/game_filter.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

GameRecord game(int32_t id, std::wstring name, std::wstring enName, std::wstring pyName, int32_t portId) {
  GameRecord record;
  record.id = id;
  record.name = std::move(name);
  record.enName = std::move(enName);
  record.pyName = std::move(pyName);
  record.portId = portId;
  return record;
}

std::map<int32_t, GameRecord> catalogue() {
  std::map<int32_t, GameRecord> games;
  for (GameRecord g : {game(1003, L"穿越火线", L"CF", L"cyhx", 4), game(1001, L"地下城与勇士", L"DNF", L"dxcyys", 4),
                       game(1020, L"激战2", L"GW2", L"jz2", 8), game(1040, L"Abyss Online", L"", L"ABYSS", 8),
                       game(1050, L"无名", L"", L"", 4)})
    games[g.id] = g;
  return games;
}

std::vector<int32_t> ids(const std::vector<GameRecord>& games) {
  std::vector<int32_t> out;
  for (const GameRecord& g : games) out.push_back(g.id);
  return out;
}

TEST(GameFilter, ByTypeInAscendingId) {
  const auto games = catalogue();
  EXPECT_EQ(ids(gamesOfType(games, 0)), (std::vector<int32_t>{1001, 1003, 1020, 1040, 1050}));
  EXPECT_EQ(ids(gamesOfType(games, 4)), (std::vector<int32_t>{1001, 1003, 1050}));
  EXPECT_EQ(ids(gamesOfType(games, 8)), (std::vector<int32_t>{1020, 1040}));
  EXPECT_EQ(ids(gamesOfType(games, 6)), std::vector<int32_t>{});
}

TEST(GameFilter, ByInitialLetterOfShortNameElseAbbreviation) {
  struct Case {
    wchar_t letter;
    std::vector<int32_t> found;
  };
  const Case cases[] = {{L'c', {1003}}, {L'd', {1001}}, {L'g', {1020}}, {L'j', {1020}}, {L'a', {1040}}, {L'z', {}}};
  for (const Case& c : cases) {
    auto games = catalogue();
    EXPECT_EQ(ids(gamesByInitial(games, c.letter)), c.found) << static_cast<char>(c.letter);
  }
}

TEST(GameFilter, ComparedNamesStayLowerCasedInTheCatalogue) {
  auto games = catalogue();
  gamesByInitial(games, L'x');
  EXPECT_EQ(games[1001].enName, L"dnf");
  EXPECT_EQ(games[1001].pyName, L"dxcyys");
  EXPECT_EQ(games[1040].pyName, L"abyss");
  // Names are not compared by the letter filter and keep their case.
  EXPECT_EQ(games[1040].name, L"Abyss Online");

  auto searched = catalogue();
  const auto found = gamesContaining(searched, L"dn");
  EXPECT_EQ(ids(found), std::vector<int32_t>{1001});
  EXPECT_EQ(found.front().enName, L"dnf");
}

TEST(GameFilter, ByTextInShortNameAbbreviationOrName) {
  struct Case {
    std::wstring text;
    std::vector<int32_t> found;
  };
  const Case cases[] = {
      {L"ab", {1040}},          {L"AB", {1040}},       {L"cf", {1003}},
      {L"火线", {1003}},        {L"y", {1001, 1003, 1040}}, {L"online", {1040}},
      {L"", {1001, 1003, 1020, 1040, 1050}}, {L"nothing", {}},
  };
  for (const Case& c : cases) {
    auto games = catalogue();
    EXPECT_EQ(ids(gamesContaining(games, c.text)), c.found);
  }
}

TEST(GameFilter, SearchTurnsTheMatchedAbbreviationToLowerCase) {
  auto games = catalogue();
  const auto found = gamesContaining(games, L"ab");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found.front().pyName, L"abyss");
  EXPECT_EQ(games[1040].pyName, L"abyss");
}

TEST(GameFilter, LowerCasingTouchesOnlyLatinCapitals) {
  EXPECT_EQ(lowerCased(L"QQSpeed 飞车 Ⅱ"), L"qqspeed 飞车 Ⅱ");
}

}  // namespace
}  // namespace kestro
