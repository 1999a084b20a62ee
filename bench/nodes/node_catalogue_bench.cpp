// The node catalogue from a 2,000-node node.php reply, and the ranking of
// 10,000 nodes, with the time each takes per node.
#include <chrono>
#include <cstdio>
#include <string>

#include "nodes/node_catalogue.h"
#include "nodes/node_ranking.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string replyOf(int count) {
  std::string body = "[";
  for (int i = 0; i < count; ++i) {
    if (i > 0) body += ',';
    body += R"({"nid":)" + std::to_string(i + 1) + R"(,"nodename":"电信加速节点)" + std::to_string(i + 1) +
            R"(","nodeip":"127.0.)" + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1) +
            R"(","nodeprovinceid":)" + std::to_string(i % 34) + R"(,"nodeispid":)" + std::to_string(i % 4) +
            R"(,"province":"广东","ispname":"中国电信","nodeload":)" + std::to_string((i % 100) / 100.0) + "}";
  }
  return body + "]";
}

double nanosecondsPerNode(Clock::duration elapsed, int nodes) {
  return std::chrono::duration<double, std::nano>(elapsed).count() / nodes;
}

}  // namespace

int main() {
  using namespace kestro;
  constexpr int kReplyNodes = 2000;
  constexpr int kRounds = 20;
  const std::string body = replyOf(kReplyNodes);

  size_t built = 0;
  const auto buildStart = Clock::now();
  for (int round = 0; round < kRounds; ++round) {
    const auto nodes = nodeCatalogueFrom(interpretServiceReply(HttpFailure::None, 200, body, ReplyShape::Array));
    built += nodes ? nodes->size() : 0;
  }
  const auto buildTime = Clock::now() - buildStart;
  if (built != static_cast<size_t>(kReplyNodes) * kRounds) {
    std::fprintf(stderr, "catalogue has %zu nodes, expected %d\n", built / kRounds, kReplyNodes);
    return 1;
  }
  std::printf("catalogue from a %d-node reply (%zu bytes, parse included): %.0f ns per node\n", kReplyNodes,
              body.size(), nanosecondsPerNode(buildTime, kReplyNodes * kRounds));

  constexpr int kRankedNodes = 10000;
  std::map<int32_t, NodeRecord> nodes;
  for (int i = 0; i < kRankedNodes; ++i) {
    NodeRecord& node = nodes[i + 1];
    node.id = i + 1;
    node.load = static_cast<float>(i % 100) / 100.0f;
  }
  const auto rankStart = Clock::now();
  for (auto& [id, node] : nodes) {
    // Latencies across every band and the failure codes.
    const int32_t latency = id % 13 == 0 ? -5 : id % 17 == 0 ? -1 : id % 250;
    rankNode(node, latency);
  }
  const int32_t best = chooseBestNode(nodes);
  const auto rankTime = Clock::now() - rankStart;
  std::printf("rank %d nodes and choose the best (node %d, score %d): %.0f ns per node\n", kRankedNodes, best,
              nodes.at(best).score, nanosecondsPerNode(rankTime, kRankedNodes));
  return 0;
}
