#include "nodes/echo_tally.h"

namespace kestro {

int32_t nodeLatencyFrom(std::span<const EchoOutcome> echoes) {
  if (echoes.empty()) return kLatencyUnreachable;
  uint64_t sum = 0;
  size_t failures = 0;
  for (const EchoOutcome& echo : echoes) {
    if (echo.answered) {
      sum += echo.roundTripMs;
    } else {
      ++failures;
      sum += kFailedEchoWeightMs;
    }
  }
  if (failures == echoes.size()) return kLatencyUnreachable;
  return static_cast<int32_t>(sum / echoes.size());
}

LinkQuality linkQualityFrom(std::span<const EchoOutcome> echoes) {
  uint64_t sum = 0;
  size_t lost = 0;
  for (const EchoOutcome& echo : echoes) {
    if (echo.answered) {
      sum += echo.roundTripMs;
    } else {
      ++lost;
    }
  }
  LinkQuality quality;
  if (echoes.empty()) {
    quality.averageMs = kSilentLinkLatencyMs;
    quality.loss = 1.0f;
    return quality;
  }
  const size_t answered = echoes.size() - lost;
  quality.averageMs = answered == 0 ? kSilentLinkLatencyMs
                                    : static_cast<float>(static_cast<double>(sum) / static_cast<double>(answered));
  quality.loss = static_cast<float>(lost) / static_cast<float>(echoes.size());
  return quality;
}

}  // namespace kestro
