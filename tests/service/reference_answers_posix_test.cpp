#include "standins/reference_service/reference_answers.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "standins/reference_service/reference_data.h"

namespace kestro::reference {
namespace {

nlohmann::json shippedData() {
  std::string error;
  auto data = loadReferenceData(KESTRO_SOURCE_DIR "/standins/reference_service/data.json", error);
  EXPECT_TRUE(data.has_value()) << error;
  return data.value_or(nlohmann::json());
}

bool onDocumentationNetwork(const std::string& address) {
  return address.rfind("192.0.2.", 0) == 0 || address.rfind("198.51.100.", 0) == 0 || address.rfind("203.0.113.", 0) == 0;
}

TEST(ReferenceData, ShippedFileHasWhatTheClientNeeds) {
  const nlohmann::json data = shippedData();
  std::set<std::string> addresses;
  for (const auto& node : data["nodes"]) {
    const std::string ip = node["nodeip"];
    EXPECT_EQ(ip.rfind("127.0.0.", 0), 0u) << ip;
    EXPECT_GT(node["nodeport"].get<int>(), 0);
    addresses.insert(ip);
  }
  EXPECT_GE(addresses.size(), 20u);
  EXPECT_EQ(addresses.size(), data["nodes"].size());
  EXPECT_GE(data["games"].size(), 30u);
  std::set<int> portIds;
  for (const auto& game : data["games"]) {
    portIds.insert(game["gameportid"].get<int>());
    for (const auto& route : game["routes"]) EXPECT_TRUE(onDocumentationNetwork(route["ipaddr"])) << route;
  }
  EXPECT_EQ(portIds, (std::set<int>{4, 8}));
  for (const auto& voice : data["voices"])
    for (const auto& route : voice["routes"]) EXPECT_TRUE(onDocumentationNetwork(route["ipaddr"])) << route;
  EXPECT_GE(data["announcements"].size(), 5u);
}

TEST(ReferenceAnswers, Login) {
  const nlohmann::json data = shippedData();
  const nlohmann::json older = answerLogin(data, {{"username", "kestro"}, {"password", "kestro123"}, {"clientver", "3000"}}, "");
  EXPECT_EQ(older["newversion"], true);
  const nlohmann::json wrong = answerLogin(data, {{"username", "kestro"}, {"password", "x"}, {"clientver", "3001"}}, "");
  EXPECT_EQ(wrong["authed"], false);
  const nlohmann::json ok =
      answerLogin(data, {{"username", "zhangwei"}, {"password", "zw2026"}, {"clientver", "3001"}}, "127.0.0.1");
  EXPECT_EQ(ok["authed"], true);
  EXPECT_EQ(ok["accounttype"], 4);
  EXPECT_EQ(ok["ipaddress"], "127.0.0.1");
}

TEST(ReferenceAnswers, GamesByAccountType) {
  const nlohmann::json data = shippedData();
  for (const auto& game : answerGames(data, "4")) EXPECT_EQ(game["gameportid"], 4);
  EXPECT_GT(answerGames(data, "8").size(), answerGames(data, "4").size());
  EXPECT_TRUE(answerGames(data, "0").empty());
  EXPECT_TRUE(answerGames(data, "x").empty());
}

TEST(ReferenceAnswers, Acceleration) {
  const nlohmann::json data = shippedData();
  const nlohmann::json expired =
      answerAcceleration(data, {{"username", "expired_wang"}, {"nodeid", "101"}, {"gameid", "1001"}}, "now");
  EXPECT_FALSE(expired["error"].get<std::string>().empty());
  EXPECT_FALSE(answerAcceleration(data, {{"username", "kestro"}, {"nodeid", "1"}, {"gameid", "1001"}}, "now")["error"]
                   .get<std::string>()
                   .empty());
  const nlohmann::json granted = answerAcceleration(
      data, {{"username", "kestro"}, {"nodeid", "102"}, {"gameid", "1002"}, {"voiceid", "3"}}, "2026-12-08 10:00:00");
  EXPECT_EQ(granted["error"], "");
  EXPECT_EQ(granted["nodeip"], "127.0.0.12");
  EXPECT_EQ(granted["nodeport"], 18502);
  EXPECT_EQ(granted["servertime"], "2026-12-08 10:00:00");
  EXPECT_EQ(granted["routeip"].size(), 3u);  // two of the game, one of the voice application
}

TEST(ReferenceData, RefusesAFileWithoutItsLists) {
  std::string error;
  EXPECT_FALSE(parseReferenceData(R"({"clientversion":3001})", error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(parseReferenceData("not json", error));
}

}  // namespace
}  // namespace kestro::reference
