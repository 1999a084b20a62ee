// What the service hands the start worker in its acc.php reply.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/route_records.h"

namespace kestro {

class JsonObjectReader;

struct TunnelParams {
  std::string nodeIp;              // "nodeip", passed to the tunnel library as it is
  int32_t nodePort = 0;            // "nodeport"
  std::vector<RouteTarget> routes; // "routeip", in array order
  std::wstring serverTime;         // "servertime", the service's local date and time
};

// Reads the members of an acc.php reply object. A member of the wrong type marks
// the reply malformed (the caller checks the reply's failure class afterwards).
TunnelParams readTunnelParams(const JsonObjectReader& reply);

}  // namespace kestro
