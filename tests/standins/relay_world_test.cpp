#include <gtest/gtest.h>

#include "standins/relay/world.h"

namespace kestro::relay {
namespace {

constexpr char kWorld[] = R"({
  "clientversion": 3001,
  "world": {"client": "192.0.2.100", "gateway": "203.0.113.249", "adapter": "203.0.113.250", "service": "192.0.2.80",
            "hosts": [{"ip": "192.0.2.80"},
                      {"ip": "192.0.2.54", "latencyms": 190, "jitterms": 20, "lossrate": 0.15},
                      {"ip": "192.0.2.10", "latencyms": 160, "lossrate": 0.03,
                       "fromnode": {"latencyms": 20, "jitterms": 2, "lossrate": 0.01}}]},
  "nodes": [{"nid": 101, "nodeip": "198.51.100.11", "nodeport": 18501, "latencyms": 23, "nodename": "x"},
            {"nid": 102, "nodeip": "198.51.100.12", "dead": true},
            {"nid": 103, "nodeip": "198.51.100.11", "nodeport": 18502, "latencyms": 23}]
})";

TEST(RelayWorld, ReadsEntriesWithDefaults) {
  World world;
  std::string error;
  ASSERT_TRUE(parseWorld(kWorld, world, error)) << error;
  EXPECT_EQ(world.gateway, parseAddress("203.0.113.249"));
  EXPECT_EQ(world.adapter, parseAddress("203.0.113.250"));
  ASSERT_EQ(world.entries.size(), 5u);
  const Entry& plain = world.entries.at(*parseAddress("192.0.2.80"));
  EXPECT_EQ(plain.figures, Figures{});
  EXPECT_FALSE(plain.dead);
  EXPECT_TRUE(plain.tunnelPorts.empty());
  EXPECT_EQ(world.entries.at(*parseAddress("192.0.2.54")).figures, (Figures{190, 20, 0.15}));
  EXPECT_EQ(world.entries.at(*parseAddress("198.51.100.11")).tunnelPorts, (std::vector<uint16_t>{18501, 18502}));
  const Entry& dead = world.entries.at(*parseAddress("198.51.100.12"));
  EXPECT_TRUE(dead.dead);
  EXPECT_EQ(dead.tunnelPorts, std::vector<uint16_t>{kDefaultNodePort});

  // Through a node of 30 ms with 10 % loss: the node's figures and the host's from it.
  const Entry& game = world.entries.at(*parseAddress("192.0.2.10"));
  EXPECT_EQ(game.fromNode, (Figures{20, 2, 0.01}));
  const Figures through = throughNode(Figures{30, 4, 0.1}, game);
  EXPECT_EQ(through.latencyMs, 50);
  EXPECT_EQ(through.jitterMs, 6);
  EXPECT_DOUBLE_EQ(through.lossRate, 1 - 0.9 * 0.99);
  EXPECT_EQ(throughNode(Figures{30, 4, 0}, plain), (Figures{30, 4, 0})) << "no figures from the node: its own";
  EXPECT_EQ(throughNode(Figures{30, 4, 0}, world.entries.at(*parseAddress("192.0.2.54"))).latencyMs, 220);

  ASSERT_TRUE(parseWorld("{}", world, error)) << error;
  EXPECT_FALSE(world.gateway);
  EXPECT_FALSE(world.adapter);
  EXPECT_TRUE(world.entries.empty());
}

TEST(RelayWorld, MalformedFilesSayWhatIsWrong) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"", "not a JSON object"},
      {R"({"world": {"hosts": [{"ip": "192.0.2.1"}]})", "not a JSON object"},
      {R"({"world": []})", "\"world\" is not an object"},
      {R"({"world": {"gateway": "203.0.113"}})", "\"gateway\""},
      {R"({"world": {"adapter": 5}})", "\"adapter\" is not an IPv4 address"},
      {R"({"world": {"hosts": [{"ip": "192.0.2.1", "fromnode": 20}]}})", "\"fromnode\" must be an object"},
      {R"({"world": {"hosts": [{"ip": "192.0.2.1", "fromnode": {"latencyms": -2}}]}})",
       "host 192.0.2.1: fromnode: \"latencyms\""},
      {R"({"world": {"hosts": {"ip": "192.0.2.1"}}})", "\"hosts\" is not an array"},
      {R"({"world": {"hosts": [{"ip": "192.0.2.256"}]}})", "a host has no IPv4 address in \"ip\""},
      {R"({"nodes": [{"ip": "198.51.100.1"}]})", "a node has no IPv4 address in \"nodeip\""},
      {R"({"world": {"hosts": [{"ip": "192.0.2.1", "latencyms": -1}]}})", "host 192.0.2.1: \"latencyms\""},
      {R"({"world": {"hosts": [{"ip": "192.0.2.1", "jitterms": "3"}]}})", "host 192.0.2.1: \"jitterms\""},
      {R"({"world": {"hosts": [{"ip": "192.0.2.1", "lossrate": 1.5}]}})", "\"lossrate\" must be a number from 0 to 1"},
      {R"({"nodes": [{"nodeip": "198.51.100.1", "dead": 1}]})", "node 198.51.100.1: \"dead\""},
      {R"({"nodes": [{"nodeip": "198.51.100.1", "nodeport": 70000}]})", "\"nodeport\""},
      {R"({"nodes": [{"nodeip": "198.51.100.1"}, {"nodeip": "198.51.100.1", "latencyms": 5}]})",
       "198.51.100.1 is listed twice with different figures"},
  };
  for (const auto& c : cases) {
    World world;
    std::string error;
    EXPECT_FALSE(parseWorld(c.text, world, error)) << c.text;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave: " << error;
  }
}

TEST(RelayWorld, Addresses) {
  EXPECT_EQ(parseAddress("192.0.2.53"), 0xc0000235u);
  EXPECT_EQ(formatAddress(0xc0000235u), "192.0.2.53");
  for (const char* bad : {"", "192.0.2", "192.0.2.53.", "192.0.2.-1", "192.0.2.1000", "192.0.2.x", " 192.0.2.5",
                          "192.0.2.256", "1..2.3"}) {
    EXPECT_FALSE(parseAddress(bad)) << bad;
  }
}

}  // namespace
}  // namespace kestro::relay
