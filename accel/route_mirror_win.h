// The route mirror's exchange with the test world's relay (accel/route_mirror.h).
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

namespace kestro {

// Hands the row to the relay named by worldRelayControl() and returns the
// code of its answer; NO_ERROR without a relay (outside the test world).
DWORD mirrorRouteRow(bool add, const MIB_IPFORWARDROW& row);

}  // namespace kestro
