// The arithmetic of the two ICMP probes, apart from the echo calls so that it
// is built and tested on every platform.
#pragma once

#include <cstdint>
#include <span>

namespace kestro {

// Results of the three-echo probe besides a latency of 0 ms or more.
inline constexpr int32_t kLatencyInvalidHandle = -1;
inline constexpr int32_t kLatencyNoMemory = -2;
inline constexpr int32_t kLatencyUnreachable = -5;

// A request that got no successful reply counts this much in the three-echo average.
inline constexpr uint32_t kFailedEchoWeightMs = 999;
// The average the hundred-echo probe reports when nothing was answered: above
// every threshold the link monitor and the diagnosis apply, so the link reads as bad.
inline constexpr float kSilentLinkLatencyMs = 1000.0f;

// One echo request: whether a reply with status success arrived in time, and its echo time.
struct EchoOutcome {
  bool answered = false;
  uint32_t roundTripMs = 0;
};

// Sum of the echo times, failures weighed at 999 ms, divided by the number of
// requests with integer division; kLatencyUnreachable when none was answered.
int32_t nodeLatencyFrom(std::span<const EchoOutcome> echoes);

struct LinkQuality {
  float averageMs = 0.0f;  // over the answered requests only
  float loss = 0.0f;       // fraction of the requests that were not answered
};

// Average echo time of the answered requests and the fraction lost;
// kSilentLinkLatencyMs as the average when none was answered.
LinkQuality linkQualityFrom(std::span<const EchoOutcome> echoes);

}  // namespace kestro
