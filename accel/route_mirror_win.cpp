#include "accel/route_mirror_win.h"

#include "accel/route_mirror.h"
#include "accel/world_relay_win.h"
#include "app/deployment.h"

namespace kestro {

DWORD mirrorRouteRow(bool add, const MIB_IPFORWARDROW& row) {
  if (worldRelayControl().empty()) return NO_ERROR;
  const MirroredRoute route{row.dwForwardDest, row.dwForwardMask, row.dwForwardNextHop, row.dwForwardIfIndex,
                            row.dwForwardMetric1};
  const auto answer = askWorldRelay(routeMirrorCommand(add, route));
  return answer ? routeMirrorResult(*answer) : kRouteMirrorUnreachable;
}

}  // namespace kestro
