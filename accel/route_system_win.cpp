#include "accel/route_system_win.h"

#include "accel/route_journal_win.h"
#include "app/deployment_constants.h"
#if !KESTRO_RELEASE
#include "accel/route_mirror_win.h"
#endif

namespace kestro {
namespace {

using GetIpInterfaceEntryFn = DWORD(WINAPI*)(MIB_IPINTERFACE_ROW*);

// Looked up at run time: Windows XP and Wine have no such export.
GetIpInterfaceEntryFn interfaceEntryExport() {
  HMODULE library = GetModuleHandleW(L"iphlpapi.dll");
  if (library == nullptr) return nullptr;
  return reinterpret_cast<GetIpInterfaceEntryFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "GetIpInterfaceEntry")));
}

bool majorVersion(DWORD& major) {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExW(&info)) return false;
  major = info.dwMajorVersion;
  return true;
}

// In a development build the test world's relay also applies the row to the
// client namespace's table (Wine's own call changes nothing), and its answer is
// the call's.
DWORD mirrored([[maybe_unused]] bool add, [[maybe_unused]] const MIB_IPFORWARDROW& row, DWORD result) {
#if !KESTRO_RELEASE
  if (result == NO_ERROR) return mirrorRouteRow(add, row);
#endif
  return result;
}

}  // namespace

MIB_IPFORWARDROW systemRowOf(const ForwardRow& row) {
  MIB_IPFORWARDROW out{};
  out.dwForwardDest = row.forwardDest;
  out.dwForwardMask = row.forwardMask;
  out.dwForwardPolicy = row.forwardPolicy;
  out.dwForwardNextHop = row.forwardNextHop;
  out.dwForwardIfIndex = row.forwardIfIndex;
  out.dwForwardType = row.forwardType;
  out.dwForwardProto = row.forwardProto;
  out.dwForwardAge = row.forwardAge;
  out.dwForwardNextHopAS = row.forwardNextHopAS;
  out.dwForwardMetric1 = row.forwardMetric1;
  out.dwForwardMetric2 = row.forwardMetric2;
  out.dwForwardMetric3 = row.forwardMetric3;
  out.dwForwardMetric4 = row.forwardMetric4;
  out.dwForwardMetric5 = row.forwardMetric5;
  return out;
}

RouteSystem RouteSystem::real() {
  RouteSystem system;
  system.getAdaptersInfo = [](IP_ADAPTER_INFO* buffer, ULONG* size) { return GetAdaptersInfo(buffer, size); };
  if (const GetIpInterfaceEntryFn entry = interfaceEntryExport()) system.getIpInterfaceEntry = entry;
  system.createIpForwardEntry = [](MIB_IPFORWARDROW* row) { return mirrored(true, *row, CreateIpForwardEntry(row)); };
  system.deleteIpForwardEntry = [](MIB_IPFORWARDROW* row) { return mirrored(false, *row, DeleteIpForwardEntry(row)); };
  system.windowsMajorVersion = majorVersion;
  system.journalRow = journalRoute;
  return system;
}

RouteSystem& routeSystem() {
  // Never destroyed: detached workers may still use it while the process exits.
  static RouteSystem* system = new RouteSystem(RouteSystem::real());
  return *system;
}

}  // namespace kestro
