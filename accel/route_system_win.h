// The system calls behind route installation, as one replaceable table. The
// defaults are the real IP Helper calls; tests put a scripted route table and
// adapter list in their place, so no test ever touches the machine's routes.
#pragma once

// ws2tcpip.h before iphlpapi.h: the interface row of netioapi.h needs its types.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>

#include <functional>

namespace kestro {

struct RouteSystem {
  std::function<DWORD(IP_ADAPTER_INFO* buffer, ULONG* size)> getAdaptersInfo;
  // Default: loads Iphlpapi.dll for the one call, since Windows XP lacks the
  // export; 1 when the library or the export is missing.
  std::function<DWORD(MIB_IPINTERFACE_ROW* row)> getIpInterfaceEntry;
  std::function<DWORD(MIB_IPFORWARDROW* row)> createIpForwardEntry;
  std::function<DWORD(MIB_IPFORWARDROW* row)> deleteIpForwardEntry;
  // The major version of Windows; false when it cannot be read.
  std::function<bool(DWORD& major)> windowsMajorVersion;

  static RouteSystem real();
};

// The table in use, the real one unless a test replaced it.
RouteSystem& routeSystem();

}  // namespace kestro
