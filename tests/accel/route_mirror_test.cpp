#include "accel/route_mirror.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kestro {
namespace {

// An address as the system's dotted-address parser returns it: network order in memory.
uint32_t networkOrder(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  const uint8_t bytes[4] = {a, b, c, d};
  uint32_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

TEST(RouteMirror, TheRelayIsGivenTheRowsFieldsInDottedForm) {
  const MirroredRoute game{networkOrder(192, 0, 2, 10), networkOrder(255, 255, 255, 255),
                           networkOrder(203, 0, 113, 249), 5, 1};
  EXPECT_EQ(routeMirrorCommand(true, game), "route add 192.0.2.10 mask 255.255.255.255 via 203.0.113.249 if 5 metric 1");
  const MirroredRoute network{networkOrder(198, 51, 100, 16), networkOrder(255, 255, 255, 240),
                              networkOrder(203, 0, 113, 249), 12, 4294967295u};
  EXPECT_EQ(routeMirrorCommand(false, network),
            "route delete 198.51.100.16 mask 255.255.255.240 via 203.0.113.249 if 12 metric 4294967295");
}

TEST(RouteMirror, TheRelaysAnswerIsTheCodeWindowsGivesForTheRow) {
  EXPECT_EQ(routeMirrorResult("ok"), 0u);
  EXPECT_EQ(routeMirrorResult("error exists"), 5010u);
  EXPECT_EQ(routeMirrorResult("error no such route"), 1168u);
  for (const char* refused : {"error destination 198.51.100.30 has bits outside its mask 255.255.255.240",
                              "error Network is unreachable", "error no routing table", "", "okay"}) {
    EXPECT_EQ(routeMirrorResult(refused), 87u) << refused;
  }
}

}  // namespace
}  // namespace kestro
