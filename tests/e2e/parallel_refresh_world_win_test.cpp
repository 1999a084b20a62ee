// The parallel latency probe against the test world's nodes through the relay.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

#include "nodes/echo_tally.h"
#include "nodes/parallel_probe.h"
#include "tests/e2e/world_program_win.h"

namespace kestro {
namespace {

TEST(ParallelRefresh, TheTestWorldsDeadNodesAreUnreachableWithinTheBound) {
  const auto world = test::testWorld();
  if (!world) GTEST_SKIP() << "no test world in this run (see scripts/test's summary for the reason)";
  std::ifstream in(std::filesystem::path(test::hostPath(world->dataFile)));
  const nlohmann::json data = nlohmann::json::parse(in, nullptr, false);
  ASSERT_FALSE(data.is_discarded());
  std::vector<ProbeTarget> targets;
  std::vector<const nlohmann::json*> nodes;
  for (const auto& node : data["nodes"]) {
    // The hand-written nodes hold every case (dead, lossy, near, far); the
    // generated ones would only add echoes whose measured latency, on a busy
    // 2-core machine with 128 probe threads, carries the wait for a core.
    if (node.value("generated", false)) continue;
    const std::string ip = node.value("nodeip", "");
    targets.push_back({node.value("nid", 0), std::wstring(ip.begin(), ip.end())});
    nodes.push_back(&node);
  }
  std::vector<int32_t> results(targets.size(), 0);
  const IcmpHandle icmp;
  const ULONGLONG started = GetTickCount64();
  probeNodesInParallel(targets, icmp.get(), {[](size_t) {}, [&](size_t index, int32_t latency) { results[index] = latency; }});
  const ULONGLONG spent = GetTickCount64() - started;
  // An unreachable node costs two spacings and one time-out (1.4 s); one
  // after another the four dead nodes alone would take 12 s.
  EXPECT_LT(spent, 4000u);
  for (size_t i = 0; i < targets.size(); ++i) {
    SCOPED_TRACE(nodes[i]->value("nodename", ""));
    if (nodes[i]->value("dead", false)) {
      EXPECT_EQ(results[i], kLatencyUnreachable);
    } else if (nodes[i]->value("lossrate", 0.0) == 0.0) {  // a lost echo of a lossy node weighs 999 ms
      EXPECT_NEAR(results[i], nodes[i]->value("latencyms", 0), 30);
    }
  }
}

}  // namespace
}  // namespace kestro
