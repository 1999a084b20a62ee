// The wire's timing: when a packet of one address and direction arrives, or
// whether it is lost. Seeded, so that a run can be repeated exactly.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <utility>

#include "standins/relay/world.h"

namespace kestro::relay {

using Time = std::chrono::microseconds;  // since any fixed start

enum class Direction {
  ToInternet,        // one way, may be lost
  ToClient,          // one way, never lost
  RoundTrip,         // both ways at once (the gateway's echo), may be lost
  TunnelToInternet,  // one way through the tunnel's node, may be lost
  TunnelToClient,    // one way back through the node, never lost
};

inline constexpr uint64_t kDefaultSeed = 20260101;

class Wire {
 public:
  explicit Wire(uint64_t seed = kDefaultSeed) : random_(seed) {}

  // The due time of a packet of `address` in `direction` sent at `now`, or
  // nothing when it is lost. Never earlier than the previous one of the same
  // address and direction.
  std::optional<Time> decide(const Figures& figures, Address address, Direction direction, Time now);

 private:
  double uniform();  // [0, 1)
  Time oneWay(const Figures& figures);

  std::mt19937_64 random_;
  std::map<std::pair<Address, Direction>, Time> lastDue_;
};

}  // namespace kestro::relay
