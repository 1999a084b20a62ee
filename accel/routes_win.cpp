#include "accel/routes_win.h"

#include <winsock2.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "accel/acc_step_record.h"
#include "accel/acceleration_texts.h"
#include "accel/main_window_reports_win.h"
#include "accel/route_rows.h"
#include "accel/route_system_win.h"
#include "app/client_state.h"
#include "app/text_convert.h"
#include "app/window_messages.h"

namespace kestro {
namespace {

MIB_IPFORWARDROW toSystemRow(const ForwardRow& row) {
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

uint32_t dottedAddress(const std::string& text) { return inet_addr(text.c_str()); }

// Every IPv4 address entry of every adapter; nothing when the system refuses.
std::optional<std::vector<AdapterAddressEntry>> adapterAddresses() {
  RouteSystem& system = routeSystem();
  ULONG size = 0;
  if (system.getAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return std::nullopt;
  auto buffer = std::make_unique<unsigned char[]>(size);
  auto* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get());
  if (system.getAdaptersInfo(adapters, &size) != ERROR_SUCCESS) return std::nullopt;
  std::vector<AdapterAddressEntry> entries;
  for (const IP_ADAPTER_INFO* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
    for (const IP_ADDR_STRING* entry = &adapter->IpAddressList; entry != nullptr; entry = entry->Next) {
      entries.push_back({static_cast<uint32_t>(adapter->Index), entry->IpAddress.String, entry->IpMask.String});
    }
  }
  return entries;
}

AccStepRecord& routeStepRecord() {
  static AccStepRecord record;
  record.row = kRouteStepRow;
  record.title = acctext::kTitleRoutes;
  return record;
}

DWORD WINAPI routeInstallationThread(void*) {
  installRoutes();
  return 0;
}

}  // namespace

void startRouteInstallation() {
  if (HANDLE thread = CreateThread(nullptr, 0, routeInstallationThread, nullptr, 0, nullptr)) CloseHandle(thread);
}

void installRoutes() {
  AccStepRecord& record = routeStepRecord();
  sendAccStep(record, kStepRunning);

  ClientState& state = ClientState::instance();
  const auto entries = adapterAddresses();
  const std::string address = toAnsi(state.adapterAddress());
  const std::string mask = toAnsi(state.adapterMask());
  if (!entries || address.empty() || mask.empty()) {
    sendAccStep(record, kStepError, acctext::kRoutesFailed);
    postToMainWindow(WM_ACC_STOP);
    return;
  }
  const std::optional<uint32_t> interfaceIndex = findAdapterIndex(*entries, address, mask);
  if (!interfaceIndex) {
    sendAccStep(record, kStepError, acctext::kAdapterNotFound);
    postToMainWindow(WM_ACC_STOP);
    return;
  }
  const uint32_t nextHop = dottedAddress(toAnsi(state.tunnelGateway()));

  removeInstalledRoutes();
  size_t succeeded = 0;
  const std::vector<RouteTarget> targets = state.routeTargets();
  for (const RouteTarget& target : targets) {
    const ForwardRow row = makeRouteRow(dottedAddress(toAnsi(target.address)),
                                        dottedAddress(prefixLengthMask(target.prefixLength)), nextHop,
                                        *interfaceIndex, 1);
    const DWORD result = addRoute(row);
    if (result == ERROR_SUCCESS || result == ERROR_OBJECT_ALREADY_EXISTS) ++succeeded;
  }
  // A tunnel that ended (or was stopped) while this thread was adding routes
  // removed only the rows recorded by then; its stop event is gone, so the
  // rest go too.
  if (state.stopEvent() == nullptr) removeInstalledRoutes();
  if (succeeded == targets.size()) {
    sendAccStep(record, kStepOk);
  } else {
    sendAccStep(record, kStepWarn, acctext::kSomeRoutesFailed);
  }
  postToMainWindow(WM_ROUTES_READY);
}

DWORD addRoute(ForwardRow row) {
  RouteSystem& system = routeSystem();
  DWORD major = 0;
  if (!system.windowsMajorVersion(major)) return 1;
  if (major > 5) {
    MIB_IPINTERFACE_ROW interfaceRow{};
    interfaceRow.Family = AF_INET;
    interfaceRow.InterfaceLuid.Value = 0;
    interfaceRow.InterfaceIndex = row.forwardIfIndex;
    if (const DWORD result = system.getIpInterfaceEntry(&interfaceRow); result != ERROR_SUCCESS) return result;
    row.forwardMetric1 = interfaceRow.Metric;
  }
  ClientState::instance().appendInstalledRoute(row);
  MIB_IPFORWARDROW systemRow = toSystemRow(row);
  return system.createIpForwardEntry(&systemRow);
}

void removeInstalledRoutes() {
  RouteSystem& system = routeSystem();
  for (const ForwardRow& row : ClientState::instance().takeInstalledRoutes()) {
    MIB_IPFORWARDROW systemRow = toSystemRow(row);
    system.deleteIpForwardEntry(&systemRow);
  }
}

}  // namespace kestro
