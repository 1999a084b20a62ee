#include "nodes/node_catalogue.h"

#include <gtest/gtest.h>

#include "nodes/node_progress.h"

namespace kestro {
namespace {

std::optional<std::map<int32_t, NodeRecord>> catalogueOf(std::string_view body) {
  return nodeCatalogueFrom(interpretServiceReply(HttpFailure::None, 200, body, ReplyShape::Array));
}

TEST(NodeCatalogue, RecordFromEveryMember) {
  const auto nodes = catalogueOf(
      R"([{"nid":12,"nodename":"电信一区","nodeip":"127.0.0.12","nodeprovinceid":31,"nodeispid":2,)"
      R"("province":"上海","ispname":"电信","nodeload":0.45}])");
  ASSERT_TRUE(nodes.has_value());
  ASSERT_EQ(nodes->size(), 1u);
  const NodeRecord& node = nodes->at(12);
  EXPECT_EQ(node.id, 12);
  EXPECT_EQ(node.name, L"电信一区");
  EXPECT_EQ(node.ip, L"127.0.0.12");
  EXPECT_EQ(node.provinceId, 31);
  EXPECT_EQ(node.ispId, 2);
  EXPECT_EQ(node.province, L"上海");
  EXPECT_EQ(node.ispName, L"电信");
  EXPECT_FLOAT_EQ(node.load, 0.45f);
  EXPECT_EQ(node.loadText, L"45.00%");
  EXPECT_EQ(node.latency, 999);
  EXPECT_EQ(node.scoreText, L"0");
  EXPECT_EQ(node.restText, L"100");
  EXPECT_EQ(node.category, L"等待计算节点适合度");
  EXPECT_EQ(node.barImage, L"url(PROGRESSBARBODY2.PNG)");
  EXPECT_EQ(node.score, 0);
}

TEST(NodeCatalogue, LoadTexts) {
  const struct {
    float load;
    const wchar_t* text;
    const wchar_t* key;
  } cases[] = {{0.5f, L"50.00%", L"5000"}, {0.75f, L"75.00%", L"7500"}, {0.0f, L"0.00%", L"0"},
               {0.1234f, L"12.34%", L"1234"}, {1.0f, L"100.00%", L"10000"}};
  for (const auto& c : cases) {
    EXPECT_EQ(loadTextOf(c.load), c.text) << c.load;
    EXPECT_EQ(loadKeyOf(c.load), c.key) << c.load;
  }
  EXPECT_EQ(loadKeyOf(1e30f), L"2147483647") << "a key beyond 32 bits stays at the end";
  EXPECT_EQ(loadKeyOf(-1e30f), L"-2147483648");
}

TEST(NodeCatalogue, MissingMembersReadAsZeroAndEmpty) {
  const auto nodes = catalogueOf(R"([{"nid":3}])");
  ASSERT_TRUE(nodes.has_value());
  const NodeRecord& node = nodes->at(3);
  EXPECT_EQ(node.name, L"");
  EXPECT_EQ(node.ip, L"");
  EXPECT_EQ(node.provinceId, 0);
  EXPECT_EQ(node.load, 0.0f);
  EXPECT_EQ(node.loadText, L"0.00%");
  EXPECT_EQ(node.loadKey, L"0");
}

TEST(NodeCatalogue, FirstOfEqualIdsWinsAndIdsAreOrdered) {
  const auto nodes = catalogueOf(
      R"([{"nid":5,"nodename":"first"},{"nid":2,"nodename":"two"},{"nid":5,"nodename":"second"}])");
  ASSERT_TRUE(nodes.has_value());
  ASSERT_EQ(nodes->size(), 2u);
  EXPECT_EQ(nodes->begin()->first, 2);
  EXPECT_EQ(nodes->at(5).name, L"first");
}

TEST(NodeCatalogue, EmptyArrayGivesAnEmptyCatalogue) {
  const auto nodes = catalogueOf("[]");
  ASSERT_TRUE(nodes.has_value());
  EXPECT_TRUE(nodes->empty());
}

TEST(NodeCatalogue, FailedOrMalformedRepliesGiveNothing) {
  EXPECT_FALSE(nodeCatalogueFrom(interpretServiceReply(HttpFailure::NoAnswer, 0, "", ReplyShape::Array)).has_value());
  EXPECT_FALSE(nodeCatalogueFrom(interpretServiceReply(HttpFailure::None, 404, "[]", ReplyShape::Array)).has_value());
  EXPECT_FALSE(catalogueOf("").has_value());
  EXPECT_FALSE(catalogueOf("not json").has_value());
  EXPECT_FALSE(catalogueOf(R"({"nid":1})").has_value()) << "an object where an array is expected";
  EXPECT_FALSE(catalogueOf(R"([{"nid":"1"}])").has_value()) << "an id given as text";
  EXPECT_FALSE(catalogueOf(R"([{"nid":1,"nodeload":"0.5"}])").has_value()) << "a load given as text";
}

TEST(NodeProgress, FetchAndRefreshFigures) {
  EXPECT_EQ(fetchProbeProgress(0, 4), 30);
  EXPECT_EQ(fetchProbeProgress(1, 4), 47);
  EXPECT_EQ(fetchProbeProgress(2, 4), 65);
  EXPECT_EQ(fetchProbeProgress(3, 4), 82) << "30 + 3 x 70 / 4, truncated";
  EXPECT_EQ(fetchProbeProgress(299, 300), 99) << "stays below 100";
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(refreshProbeProgress(i, 4), static_cast<int32_t>(25 * i));
  EXPECT_EQ(refreshProbeProgress(2, 3), 66);
  EXPECT_EQ(refreshProbeProgress(1, 200), 0);
  EXPECT_EQ(refreshProbeProgress(3, 200), 1);
  EXPECT_EQ(probingText(L"电信一区"), L"正在测试本机到电信一区节点之间网络延时");
}

}  // namespace
}  // namespace kestro
