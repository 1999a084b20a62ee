// Route records shared by the acceleration start, route installation and stop.
#pragma once

#include <cstdint>
#include <string>

namespace kestro {

// A destination to send through the tunnel, from the acc.php reply.
struct RouteTarget {
  std::wstring address;      // dotted IPv4 ("ipaddr")
  int32_t prefixLength = 0;  // "ipmask", such as 24 or 32
};

// One IPv4 forward-table row as the system's MIB_IPFORWARDROW holds it, with
// every field in network or host order exactly as handed to the system.
struct ForwardRow {
  uint32_t forwardDest = 0;
  uint32_t forwardMask = 0;
  uint32_t forwardPolicy = 0;
  uint32_t forwardNextHop = 0;
  uint32_t forwardIfIndex = 0;
  uint32_t forwardType = 0;
  uint32_t forwardProto = 0;
  uint32_t forwardAge = 0;
  uint32_t forwardNextHopAS = 0;
  uint32_t forwardMetric1 = 0;
  uint32_t forwardMetric2 = 0;
  uint32_t forwardMetric3 = 0;
  uint32_t forwardMetric4 = 0;
  uint32_t forwardMetric5 = 0;

  friend bool operator==(const ForwardRow&, const ForwardRow&) = default;
};

}  // namespace kestro
