// One tunnel of the stand-in library: connect to the reference node,
// authenticate, report the addresses and the connection, then the
// traffic once per second until the stop event is signalled or the node hangs up.
#pragma once

#include <windows.h>

#include <string>

namespace viadex {

struct TunnelSettings {
  HWND window = nullptr;
  std::string nodeIp;
  int nodePort = 0;
  std::string userName;
  std::string password;
  HANDLE stopEvent = nullptr;
  // From Viadex.ini: the addresses the tunnel reports, how long to try the
  // node, and how long a node may stay silent before the tunnel ends.
  std::string gateway;
  std::string adapterAddress;
  std::string adapterMask;
  DWORD connectTimeoutMs = 20000;
  DWORD silenceTimeoutMs = 8000;
  // In the test world: the counters are the bytes its relay carried through the tunnel.
  bool countsFromRelay = false;
};

// Returns when the tunnel has ended; failures were posted as WM_TUNNEL_ERROR.
void runTunnel(const TunnelSettings& settings);

}  // namespace viadex
