#include "nodes/node_ranking.h"

#include "nodes/echo_tally.h"
#include "nodes/number_text.h"

namespace kestro {
namespace {

constexpr wchar_t kBarRed[] = L"url(PROGRESSBARBODY2.PNG)";
constexpr wchar_t kBarOrange[] = L"url(PROGRESSBARBODY4.PNG)";
constexpr wchar_t kBarYellow[] = L"url(PROGRESSBARBODY6.PNG)";
constexpr wchar_t kBarGreen[] = L"url(PROGRESSBARBODY8.PNG)";

constexpr wchar_t kUnavailable[] = L"不可用节点";
constexpr wchar_t kLoadOnly[] = L"无法获得节点延时，节点适合度仅依据节点负载程度推荐";
constexpr float kOverloaded = 0.8f;

// Points for the latency in ms (L of 0 or more).
double latencyPoints(int32_t latency) {
  if (latency < 50) return 50.0 + (50 - latency) / 50.0 * 30.0;
  if (latency < 120) return 30.0 + (120 - latency) / 70.0 * 20.0;
  if (latency < 200) return (200 - latency) / 80.0 * 30.0;
  return 0.0;
}

void writeScore(NodeRecord& node, float score) {
  node.score = truncatedToInt32(score);
  node.scoreText = formatNumber("%.0f", score);
  node.restText = formatNumber("%.0f", 100.0f - score);
}

}  // namespace

void rankNode(NodeRecord& node, int32_t latency) {
  node.latency = latency;
  if (latency == kLatencyUnreachable) {
    writeScore(node, 0.0f);
    node.category = kUnavailable;
    node.barImage = kBarRed;
    return;
  }
  const bool latencyKnown = latency >= 0;
  float score = 0.0f;
  if (node.load < kOverloaded) score = (1.0f - node.load) * (latencyKnown ? 20.0f : 100.0f);
  if (!latencyKnown) {
    writeScore(node, score);
    node.category = kLoadOnly;
    node.barImage = kBarGreen;
    return;
  }
  score = static_cast<float>(score + latencyPoints(latency));
  writeScore(node, score);
  if (score > 80.0f) {
    node.category = L"最适合节点";
    node.barImage = kBarGreen;
  } else if (score > 60.0f) {
    node.category = L"推荐节点";
    node.barImage = kBarGreen;
  } else if (score > 40.0f) {
    node.category = L"基本流畅节点";
    node.barImage = kBarYellow;
  } else if (score > 20.0f) {
    node.category = L"不推荐节点";
    node.barImage = kBarOrange;
  } else {
    node.category = kUnavailable;
    node.barImage = kBarRed;
  }
}

int32_t chooseBestNode(const std::map<int32_t, NodeRecord>& nodes) {
  int32_t bestScore = 0;
  int32_t bestId = 0;
  for (const auto& [id, node] : nodes) {
    if (node.score > bestScore) {
      bestScore = node.score;
      bestId = id;
    }
  }
  return bestId;
}

}  // namespace kestro
