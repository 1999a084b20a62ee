// Installs and removes 1,000 routes through the route seam, whose table here is
// an in-memory one (the machine's routing table is never touched), and prints
// the time per route of each half.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "accel/route_system_win.h"
#include "accel/routes_win.h"
#include "app/client_state.h"

namespace {

using namespace kestro;

constexpr int kRoutes = 1000;
constexpr int kRounds = 7;

void useMemoryRouteTable(std::vector<MIB_IPFORWARDROW>& table) {
  RouteSystem& system = routeSystem();
  system.getAdaptersInfo = [](IP_ADAPTER_INFO* buffer, ULONG* size) -> DWORD {
    if (buffer == nullptr || *size < sizeof(IP_ADAPTER_INFO)) {
      *size = sizeof(IP_ADAPTER_INFO);
      return ERROR_BUFFER_OVERFLOW;
    }
    *buffer = {};
    buffer->Index = 9;
    strcpy_s(buffer->IpAddressList.IpAddress.String, "10.77.0.2");
    strcpy_s(buffer->IpAddressList.IpMask.String, "255.255.255.0");
    return ERROR_SUCCESS;
  };
  system.getIpInterfaceEntry = [](MIB_IPINTERFACE_ROW* row) -> DWORD {
    row->Metric = 25;
    return ERROR_SUCCESS;
  };
  system.createIpForwardEntry = [&table](MIB_IPFORWARDROW* row) -> DWORD {
    table.push_back(*row);
    return ERROR_SUCCESS;
  };
  system.deleteIpForwardEntry = [&table](MIB_IPFORWARDROW* row) -> DWORD {
    const auto found = std::find_if(table.begin(), table.end(),
                                    [row](const MIB_IPFORWARDROW& held) { return held.dwForwardDest == row->dwForwardDest; });
    if (found == table.end()) return ERROR_NOT_FOUND;
    table.erase(found);
    return ERROR_SUCCESS;
  };
  system.windowsMajorVersion = [](DWORD& major) {
    major = 6;
    return true;
  };
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int wmain() {
  std::vector<MIB_IPFORWARDROW> table;
  useMemoryRouteTable(table);
  ClientState& state = ClientState::instance();
  state.setTunnelGateway(L"10.77.0.1");
  state.setAdapterAddress(L"10.77.0.2");
  state.setAdapterMask(L"255.255.255.0");
  std::vector<RouteTarget> targets;
  for (int i = 0; i < kRoutes; ++i) {
    targets.push_back({L"198.51." + std::to_wstring(i / 250) + L"." + std::to_wstring(i % 250), 32});
  }
  state.setRouteTargets(targets);
  state.setStopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));  // routes are kept while a tunnel runs

  // No main window: the step reports go nowhere, as before the window exists.
  std::vector<double> install, remove;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    claimRoutes(0);
    installRoutes(0);
    const auto installed = std::chrono::steady_clock::now();
    removeInstalledRoutes();
    const auto removed = std::chrono::steady_clock::now();
    if (table.size() != 0) std::printf("route table not empty after removal: %zu rows\n", table.size());
    install.push_back(std::chrono::duration<double, std::micro>(installed - start).count() / kRoutes);
    remove.push_back(std::chrono::duration<double, std::micro>(removed - installed).count() / kRoutes);
  }
  std::printf("route installation, %d routes through the route seam, median of %d rounds:\n", kRoutes, kRounds);
  std::printf("  install: %.2f us per route\n", median(install));
  std::printf("  remove:  %.2f us per route\n", median(remove));
  return 0;
}
