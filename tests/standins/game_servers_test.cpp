#include <gtest/gtest.h>

#include "standins/reference_node/node_data.h"

namespace kestro::refnode {
namespace {

TEST(WorldGameServers, TheHostsWithAnEchoPortAreServed) {
  NodeData data;
  std::string error;
  ASSERT_TRUE(parseNodeData(R"({"world": {"hosts": [{"ip": "192.0.2.53"},
                                                     {"ip": "192.0.2.10", "latencyms": 160, "echoport": 9000},
                                                     {"ip": "203.0.113.50", "echoport": 9001}]},
                                "nodes": []})",
                            data, error))
      << error;
  ASSERT_EQ(data.gameServers.size(), 2u);
  EXPECT_EQ(data.gameServers[0].address, "192.0.2.10");
  EXPECT_EQ(data.gameServers[0].port, 9000);
  EXPECT_EQ(data.gameServers[1].address, "203.0.113.50");
  EXPECT_EQ(data.gameServers[1].port, 9001);

  for (const char* bad : {R"({"world": {"hosts": [{"ip": "10.0.0.1", "echoport": 9000}]}, "nodes": []})",
                          R"({"world": {"hosts": [{"ip": "192.0.2.10", "echoport": 70000}]}, "nodes": []})",
                          R"({"world": {"hosts": [{"ip": "192.0.2.10", "echoport": "9000"}]}, "nodes": []})"}) {
    EXPECT_FALSE(parseNodeData(bad, data, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

}  // namespace
}  // namespace kestro::refnode
