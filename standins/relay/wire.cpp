#include "standins/relay/wire.h"

#include <algorithm>
#include <cmath>

namespace kestro::relay {

double Wire::uniform() { return static_cast<double>(random_() >> 11) * 0x1.0p-53; }

Time Wire::oneWay(const Figures& figures) {
  const double jitter = (uniform() - 0.5) * figures.jitterMs * 1000.0;
  const double delay = figures.latencyMs * 500.0 + jitter;
  return Time(std::max<int64_t>(0, std::llround(delay)));
}

std::optional<Time> Wire::decide(const Figures& figures, Address address, Direction direction, Time now) {
  const bool lost = uniform() < figures.lossRate;
  Time delay = oneWay(figures);
  if (direction == Direction::RoundTrip) delay += oneWay(figures);
  if (lost && direction != Direction::ToClient && direction != Direction::TunnelToClient) return std::nullopt;
  Time& last = lastDue_[{address, direction}];
  last = std::max(now + delay, last);
  return last;
}

}  // namespace kestro::relay
