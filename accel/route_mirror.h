// The route mirror of development builds in the test world. Wine's route calls
// change nothing, so every row the program creates or deletes is also handed
// to the world's relay, which applies it to the client namespace's own routing
// table; Wine's forward table reads that table, so it then shows the truth. A
// release build has none of this (accel/CMakeLists.txt).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestro {

// The row's fields that name a route; addresses in network order, as the row holds them.
struct MirroredRoute {
  uint32_t destination = 0;
  uint32_t mask = 0;
  uint32_t nextHop = 0;
  uint32_t interfaceIndex = 0;
  uint32_t metric = 0;
};

// The relay's command for the row:
// "route add 192.0.2.10 mask 255.255.255.255 via 203.0.113.249 if 5 metric 1".
std::string routeMirrorCommand(bool add, const MirroredRoute& route);

// The system error code the relay's answer stands for, as Windows answers the
// same row: "ok" 0, "error exists" 5010, "error no such route" 1168, any other
// error 87 (the row is not one the table takes).
uint32_t routeMirrorResult(std::string_view answer);

// The code of a relay that could not be asked: 1231, the network is unreachable.
inline constexpr uint32_t kRouteMirrorUnreachable = 1231;

}  // namespace kestro
