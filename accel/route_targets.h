// Which of acc.php's route targets may go into the system's forward table.
// The service speaks plain HTTP, so a reply can be forged on the way: a target
// that would send the tunnel's own packets or the service's into the tunnel,
// take over the whole network, or reach the machine itself, its local link or
// a multicast or broadcast group is refused, and so is every target past a
// cap. Each refusal is one line of the route step's warning.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "accel/ipv4_text.h"
#include "app/route_records.h"

namespace kestro {

// A real game lists tens of server ranges, a voice application a few more;
// the largest catalogue entry of a real service stays well under a hundred.
// 512 rows leave room for any of them and keep a forged reply from adding
// hundreds of thousands of rows (each one is a journal write and a system call).
inline constexpr size_t kMaxRouteTargets = 512;

// A target that passed: its address (as given) and mask in network order, as
// the system's dotted-address parser gives them, and the prefix length taken
// (8 to 32; any other is 24).
struct CheckedRouteTarget {
  uint32_t address = 0;
  uint32_t mask = 0;
  int32_t prefixLength = 0;
};

struct RouteTargetCheck {
  std::vector<CheckedRouteTarget> accepted;
  std::vector<std::wstring> refusals;  // one line per refused target (and one for the cap)
};

// `node` and `service` are the addresses the tunnel and the service exchange
// use (network order); nothing when not known.
RouteTargetCheck checkRouteTargets(const std::vector<RouteTarget>& targets, std::optional<uint32_t> node,
                                   std::optional<uint32_t> service, size_t cap = kMaxRouteTargets);

}  // namespace kestro
