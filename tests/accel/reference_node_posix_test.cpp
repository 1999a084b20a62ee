#include <gtest/gtest.h>

#include "standins/reference_node/node_data.h"
#include "standins/reference_node/node_protocol.h"

namespace kestro::refnode {
namespace {

constexpr char kData[] = R"({
  "accounts": [{"username": "kestro", "password": "abc123", "type": 1},
               {"username": "玩家", "password": "p&ss word"}],
  "nodes": [{"nid": 1, "nodeip": "127.0.0.2", "nodeport": 7101},
            {"nid": 2, "nodeip": "127.0.0.3"},
            {"nid": 3, "nodeip": "127.0.0.2", "nodeport": 7101}]
})";

TEST(ReferenceNode, ReadsAccountsAndDistinctEndpoints) {
  NodeData data;
  std::string error;
  ASSERT_TRUE(parseNodeData(kData, data, error)) << error;
  EXPECT_EQ(data.passwords.at("kestro"), "abc123");
  EXPECT_EQ(data.passwords.at("玩家"), "p&ss word");
  ASSERT_EQ(data.endpoints.size(), 2u);
  EXPECT_EQ(data.endpoints[0].address, "127.0.0.2");
  EXPECT_EQ(data.endpoints[0].port, 7101);
  EXPECT_EQ(data.endpoints[1].address, "127.0.0.3");
  EXPECT_EQ(data.endpoints[1].port, kDefaultNodePort);
}

TEST(ReferenceNode, AccountsKeyedByName) {
  NodeData data;
  std::string error;
  ASSERT_TRUE(parseNodeData(R"({"accounts":{"kestro":{"password":"x"}},"nodes":[]})", data, error)) << error;
  EXPECT_EQ(data.passwords.at("kestro"), "x");
}

TEST(ReferenceNode, RefusesDataItCannotServeSafely) {
  // Only loopback and the test world's documentation networks are served.
  const char* bad[] = {"", "[]", R"({"accounts":[]})", R"({"nodes":[{"nodeip":"10.0.0.1"}]})",
                       R"({"nodes":[{"nodeip":"198.51.10.1"}]})", R"({"nodes":[{"nodeip":"127.0.0.2","nodeport":70000}]})"};
  for (const char* text : bad) {
    NodeData data;
    std::string error;
    EXPECT_FALSE(parseNodeData(text, data, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(ReferenceNode, ServesTheTestWorldsAddresses) {
  NodeData data;
  std::string error;
  ASSERT_TRUE(parseNodeData(R"({"nodes":[{"nodeip":"198.51.100.11"},{"nodeip":"203.0.113.9"}]})", data, error))
      << error;
  EXPECT_EQ(data.endpoints.size(), 2u);
}

TEST(ReferenceNode, Handshake) {
  NodeData data;
  std::string error;
  ASSERT_TRUE(parseNodeData(kData, data, error));
  EXPECT_EQ(answerHandshake("AUTH\tkestro\tabc123", data), "OK\n");
  EXPECT_EQ(answerHandshake("AUTH\tkestro\tabc123\r", data), "OK\n");
  EXPECT_EQ(answerHandshake("AUTH\t玩家\tp&ss word", data), "OK\n");
  EXPECT_EQ(answerHandshake("AUTH\tkestro\twrong", data), "DENIED\n");
  EXPECT_EQ(answerHandshake("AUTH\tnobody\tabc123", data), "DENIED\n");
  EXPECT_EQ(answerHandshake("AUTH\t\tabc123", data), "DENIED\n");
  EXPECT_EQ(answerHandshake("HELLO kestro abc123", data), "DENIED\n");
  EXPECT_EQ(answerHandshake("AUTH\tkestro", data), "DENIED\n");
  EXPECT_EQ(answerHandshake(std::string("AUTH\tkestro\t") + std::string(2000, 'a'), data), "DENIED\n");
}

}  // namespace
}  // namespace kestro::refnode
