#include "accel/routes_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "accel/acc_step_record.h"
#include "accel/acceleration_texts.h"
#include "accel/game_server_probe_win.h"
#include "accel/main_window_reports_win.h"
#include "accel/route_journal_win.h"
#include "accel/route_rows.h"
#include "accel/route_system_win.h"
#include "accel/route_targets.h"
#include "app/client_state.h"
#include "app/deployment.h"
#include "app/window_messages.h"
#include "base/detached_worker.h"
#include "base/text_convert.h"
#include "service/http_url.h"

namespace kestro {
namespace {

// The program's rows in the system's table and the attempt that may add to
// them; every change of either happens under the lock.
struct RouteOwnership {
  std::mutex lock;
  std::optional<uint32_t> owner;  // the attempt that may add rows; none after an end
};

RouteOwnership& ownership() {
  static auto* routes = new RouteOwnership;  // never destroyed: a late worker may still take it
  return *routes;
}

// Deletes every recorded row; the caller holds the lock.
void deleteRecordedRows() {
  RouteSystem& system = routeSystem();
  for (const ForwardRow& row : ClientState::instance().takeInstalledRoutes()) {
    MIB_IPFORWARDROW systemRow = systemRowOf(row);
    system.deleteIpForwardEntry(&systemRow);
    unjournalRoute(row);
  }
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

}  // namespace

std::optional<uint32_t> serviceAddress() {
  const std::optional<HttpUrl> url = parseHttpUrl(serviceBaseUrl(), 80);
  if (!url) return std::nullopt;
  if (const auto numeric = parseDottedAddress(url->host)) return numeric;
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return std::nullopt;
  std::optional<uint32_t> address;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(toAnsi(url->host).c_str(), nullptr, &hints, &found) == 0 && found != nullptr) {
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
  }
  WSACleanup();
  return address;
}

std::optional<uint32_t> tunnelInterfaceIndex() {
  const ClientState& state = ClientState::instance();
  const auto entries = adapterAddresses();
  if (!entries) return std::nullopt;
  return findAdapterIndex(*entries, toAnsi(state.adapterAddress()), toAnsi(state.adapterMask()));
}

namespace {

// Each run reports through a record of its own: runs of two attempts may
// overlap, and a report is sent, so the record outlives it.
AccStepRecord routeStepRecord(uint32_t attempt) {
  AccStepRecord record;
  record.row = kRouteStepRow;
  record.title = acctext::kTitleRoutes;
  record.attempt = attempt;
  return record;
}

std::wstring joined(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (const std::wstring& line : lines) text += (text.empty() ? L"" : L"；") + line;
  return text;
}

}  // namespace

void claimRoutes(uint32_t attempt) {
  RouteOwnership& routes = ownership();
  const std::lock_guard lock(routes.lock);
  // Rows left from an earlier acceleration go before this one's come.
  deleteRecordedRows();
  routes.owner = attempt;
}

void startRouteInstallation(uint32_t attempt) {
  claimRoutes(attempt);
  startDetachedWorker([attempt] { installRoutes(attempt); });
}

namespace {

void runRouteInstallation(uint32_t attempt) {
  AccStepRecord record = routeStepRecord(attempt);
  sendAccStep(record, kStepRunning);
  // The game servers' direct echoes must not find a route of the tunnel.
  waitForDirectMeasurement(attempt);

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

  const RouteTargetCheck check =
      checkRouteTargets(state.routeTargets(), parseDottedAddress(state.tunnelNode()), serviceAddress());
  std::vector<std::wstring> warnings = check.refusals;
  size_t failed = 0;
  size_t notJournalled = 0;
  for (const CheckedRouteTarget& target : check.accepted) {
    const DWORD result = addRoute(attempt, makeRouteRow(target.address, target.mask, nextHop, *interfaceIndex, 1));
    // Stopped, ended or replaced meanwhile: the rest would go at once.
    if (result == kRouteNotOwned) break;
    if (result == kRouteNotJournalled) ++notJournalled;
    if (result != ERROR_SUCCESS && result != ERROR_OBJECT_ALREADY_EXISTS) ++failed;
  }
  if (notJournalled > 0) warnings.push_back(acctext::routesNotJournalled(notJournalled));
  if (failed > 0) warnings.push_back(acctext::kSomeRoutesFailed);
  if (warnings.empty()) {
    sendAccStep(record, kStepOk);
  } else {
    sendAccStep(record, kStepWarn, joined(warnings));
  }
  postAttemptReport(WM_ROUTES_READY, attempt);
}

}  // namespace

void installRoutes(uint32_t attempt) {
  // Out of memory the run fails as one that could set no route does.
  reportingExhaustion([attempt] { runRouteInstallation(attempt); }, [attempt] {
    AccStepRecord record = routeStepRecord(attempt);
    sendAccStep(record, kStepError, acctext::kRoutesFailed);
    postAttemptReport(WM_ACC_STOP, attempt);
  });
}

DWORD addRoute(uint32_t attempt, ForwardRow row) {
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
  // Checked, journalled, recorded and created under the lock that removal
  // takes: a removal never runs between the record and the row, and a row
  // that a crash could leave behind is always one the next start can sweep.
  RouteOwnership& routes = ownership();
  const std::lock_guard lock(routes.lock);
  if (routes.owner != attempt) return kRouteNotOwned;
  if (!system.journalRow(row)) return kRouteNotJournalled;
  ClientState::instance().appendInstalledRoute(row);
  MIB_IPFORWARDROW systemRow = systemRowOf(row);
  return system.createIpForwardEntry(&systemRow);
}

void removeInstalledRoutes() {
  RouteOwnership& routes = ownership();
  const std::lock_guard lock(routes.lock);
  routes.owner.reset();
  deleteRecordedRows();
}

void removeRoutesOf(uint32_t attempt) {
  RouteOwnership& routes = ownership();
  const std::lock_guard lock(routes.lock);
  if (routes.owner != attempt) return;
  routes.owner.reset();
  deleteRecordedRows();
}

}  // namespace kestro
