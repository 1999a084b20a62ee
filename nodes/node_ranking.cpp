#include "nodes/node_ranking.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "nodes/echo_tally.h"

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

// A load is a fraction; one outside [0, 1] (or NaN) in a reply is held at
// the nearer end (NaN counts as idle). The load is clamped rather than the
// score so that each part keeps its share: a negative load cannot lift a slow
// node's latency points into a better category.
float usableLoad(float load) { return load > 0.0f ? std::min(load, 1.0f) : 0.0f; }

// A score from 0 to 100 as "%.0f" prints it with glibc and with mingw-w64's
// own printf: to the nearest whole number, a half to the even one (62.5 gives
// "62", 37.5 gives "38"). Written out so as not to hang on a C library whose
// printf rounds halves away from zero (msvcrt's).
std::wstring wholeText(float score) {
  const float whole = std::floor(score);
  const float fraction = score - whole;  // exact for floats of this size
  const bool up = fraction > 0.5f || (fraction == 0.5f && std::fmod(whole, 2.0f) != 0.0f);
  return std::to_wstring(static_cast<int32_t>(whole) + (up ? 1 : 0));
}

void writeScore(NodeRecord& node, float score) {
  node.score = static_cast<int32_t>(score);
  node.scoreText = wholeText(score);
  node.restText = wholeText(100.0f - score);
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
  const float load = usableLoad(node.load);
  float score = 0.0f;
  if (load < kOverloaded) score = (1.0f - load) * (latencyKnown ? 20.0f : 100.0f);
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
