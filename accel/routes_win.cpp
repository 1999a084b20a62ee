#include "accel/routes_win.h"

#include <winsock2.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "accel/acc_step_record.h"
#include "accel/acceleration_texts.h"
#include "accel/main_window_reports_win.h"
#include "accel/route_journal_win.h"
#include "accel/route_rows.h"
#include "accel/route_system_win.h"
#include "app/client_state.h"
#include "app/window_messages.h"
#include "base/detached_worker.h"
#include "base/text_convert.h"

namespace kestro {
namespace {

// Held while rows are added to or removed from the system's table.
std::mutex& routeTableLock() {
  static std::mutex* lock = new std::mutex;  // never destroyed: a late worker may still take it
  return *lock;
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
  // Never destroyed: the thread may still report while the process exits.
  static AccStepRecord* record = new AccStepRecord;
  record->row = kRouteStepRow;
  record->title = acctext::kTitleRoutes;
  return *record;
}

}  // namespace

void startRouteInstallation(uint32_t attempt) {
  startDetachedWorker([attempt] { installRoutes(attempt); });
}

void installRoutes(uint32_t attempt) {
  AccStepRecord& record = routeStepRecord();
  record.attempt = attempt;
  sendAccStep(record, kStepRunning);

  ClientState& state = ClientState::instance();
  const auto entries = adapterAddresses();
  const std::string address = toAnsi(state.adapterAddress());
  const std::string mask = toAnsi(state.adapterMask());
  if (!entries || address.empty() || mask.empty()) {
    sendAccStep(record, kStepError, acctext::kRoutesFailed);
    postAttemptReport(WM_ACC_STOP, attempt);
    return;
  }
  const std::optional<uint32_t> interfaceIndex = findAdapterIndex(*entries, address, mask);
  if (!interfaceIndex) {
    sendAccStep(record, kStepError, acctext::kAdapterNotFound);
    postAttemptReport(WM_ACC_STOP, attempt);
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
  // removed only the rows recorded by then; its stop event is gone (or a newer
  // attempt runs), so the rest go too.
  if (state.stopEvent() == nullptr || state.accelerationAttempt != attempt) removeInstalledRoutes();
  if (succeeded == targets.size()) {
    sendAccStep(record, kStepOk);
  } else {
    sendAccStep(record, kStepWarn, acctext::kSomeRoutesFailed);
  }
  postAttemptReport(WM_ROUTES_READY, attempt);
}

DWORD addRoute(ForwardRow row) {
  RouteSystem& system = routeSystem();
  DWORD major = 0;
  if (!system.windowsMajorVersion(major)) return 1;
  // Without the interface's own metric (Windows XP, or an IP Helper lacking the
  // call) the route keeps metric 1.
  if (major > 5 && system.getIpInterfaceEntry) {
    MIB_IPINTERFACE_ROW interfaceRow{};
    interfaceRow.Family = AF_INET;
    interfaceRow.InterfaceLuid.Value = 0;
    interfaceRow.InterfaceIndex = row.forwardIfIndex;
    if (const DWORD result = system.getIpInterfaceEntry(&interfaceRow); result != ERROR_SUCCESS) return result;
    row.forwardMetric1 = interfaceRow.Metric;
  }
  // Recorded, journalled and created under the lock that removal takes: a
  // removal on another thread never runs between the record and the row.
  const std::lock_guard lock(routeTableLock());
  ClientState::instance().appendInstalledRoute(row);
  journalRoute(row);
  MIB_IPFORWARDROW systemRow = systemRowOf(row);
  return system.createIpForwardEntry(&systemRow);
}

void removeInstalledRoutes() {
  RouteSystem& system = routeSystem();
  const std::lock_guard lock(routeTableLock());
  for (const ForwardRow& row : ClientState::instance().takeInstalledRoutes()) {
    MIB_IPFORWARDROW systemRow = systemRowOf(row);
    system.deleteIpForwardEntry(&systemRow);
    unjournalRoute(row);
  }
}

}  // namespace kestro
