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

#include "app/route_records.h"

namespace kestro {

struct RouteSystem {
  std::function<DWORD(IP_ADAPTER_INFO* buffer, ULONG* size)> getAdaptersInfo;
  // Empty where IP Helper lacks the export (Windows XP, Wine).
  std::function<DWORD(MIB_IPINTERFACE_ROW* row)> getIpInterfaceEntry;
  std::function<DWORD(MIB_IPFORWARDROW* row)> createIpForwardEntry;
  std::function<DWORD(MIB_IPFORWARDROW* row)> deleteIpForwardEntry;
  // The major version of Windows; false when it cannot be read.
  std::function<bool(DWORD& major)> windowsMajorVersion;
  // Writes a row's entry in the route journal (journalRoute); false when the
  // registry refused it.
  std::function<bool(const ForwardRow& row)> journalRow;

  static RouteSystem real();
};

// The table in use, the real one unless a test replaced it.
RouteSystem& routeSystem();

// A recorded row as the system's record.
MIB_IPFORWARDROW systemRowOf(const ForwardRow& row);

}  // namespace kestro
