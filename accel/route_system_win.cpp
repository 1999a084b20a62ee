#include "accel/route_system_win.h"

namespace kestro {
namespace {

DWORD interfaceEntryFromLoadedLibrary(MIB_IPINTERFACE_ROW* row) {
  using GetIpInterfaceEntryFn = DWORD(WINAPI*)(MIB_IPINTERFACE_ROW*);
  HMODULE library = LoadLibraryW(L"Iphlpapi.dll");
  if (library == nullptr) return 1;
  const auto entry = reinterpret_cast<GetIpInterfaceEntryFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "GetIpInterfaceEntry")));
  const DWORD result = entry != nullptr ? entry(row) : 1;
  FreeLibrary(library);
  return result;
}

bool majorVersion(DWORD& major) {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExW(&info)) return false;
  major = info.dwMajorVersion;
  return true;
}

}  // namespace

RouteSystem RouteSystem::real() {
  RouteSystem system;
  system.getAdaptersInfo = [](IP_ADAPTER_INFO* buffer, ULONG* size) { return GetAdaptersInfo(buffer, size); };
  system.getIpInterfaceEntry = interfaceEntryFromLoadedLibrary;
  system.createIpForwardEntry = [](MIB_IPFORWARDROW* row) { return CreateIpForwardEntry(row); };
  system.deleteIpForwardEntry = [](MIB_IPFORWARDROW* row) { return DeleteIpForwardEntry(row); };
  system.windowsMajorVersion = majorVersion;
  return system;
}

RouteSystem& routeSystem() {
  static RouteSystem system = RouteSystem::real();
  return system;
}

}  // namespace kestro
