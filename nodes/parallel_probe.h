// The three-echo latency probe of many nodes at once. Each node's echoes go
// out kEchoSpacingMs apart without waiting for the previous reply (each still
// waits up to 1000 ms for its own), so an unreachable node costs about 1.4 s
// instead of 3 s, and a whole catalogue about as long as its slowest node plus
// one spacing (the nodes' starts are spread over one spacing).
// A node's result is exactly what the one-node probe gives for the same three
// echo outcomes (nodeLatencyFrom).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "nodes/echo_tally.h"
#include "nodes/icmp_handle_win.h"

namespace kestro {

inline constexpr uint32_t kEchoSpacingMs = 200;
// Echo requests under way at once. An echo of an unreachable node holds its
// place for the whole second of its time-out; with a fifth of 100 nodes dead
// the echoes need about 90 place-seconds, so 128 places let every node start
// within the first 0.2 s. 128 small echoes in 0.2 s are well below what home
// routers rate-limit. All are sent from the calling thread with APCs.
inline constexpr size_t kEchoesInFlight = 128;

struct ProbeTarget {
  int32_t id = 0;
  std::wstring address;  // dotted IPv4 text
};

// Called on the calling thread, in the order the events happened: `started`
// when a node's first echo goes out, `finished` with its result once its
// three echoes have ended, after `echoes` (when set) with their outcomes.
struct ProbeEvents {
  std::function<void(size_t index)> started;
  std::function<void(size_t index, int32_t latency)> finished;
  std::function<void(size_t index, std::span<const EchoOutcome> outcomes)> echoes;
};

// Probes every target; returns once each has finished. An invalid handle
// gives every node kLatencyInvalidHandle (started and finished in order).
void probeNodesInParallel(const std::vector<ProbeTarget>& targets, HANDLE icmp, const ProbeEvents& events,
                          size_t inFlight = kEchoesInFlight);

}  // namespace kestro
