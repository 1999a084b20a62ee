#include "accel/game_connections_win.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstddef>
#include <memory>

#include "accel/main_window_reports_win.h"
#include "accel/route_rows.h"
#include "accel/route_targets.h"
#include "accel/routes_win.h"
#include "app/client_state.h"
#include "app/window_messages.h"
#include "base/detached_worker.h"
#include "base/text_convert.h"
#include "base/unique_handle_win.h"

namespace kestro {
namespace {

std::vector<ProcessImage> runningProcesses() {
  std::vector<ProcessImage> images;
  const UniqueHandle snapshot{CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)};
  if (!snapshot) return images;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    // Processes of other users or of the system may refuse: the game is the user's own.
    const UniqueHandle process{OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID)};
    if (!process) continue;
    wchar_t path[MAX_PATH * 2];
    DWORD size = static_cast<DWORD>(std::size(path));
    if (QueryFullProcessImageNameW(process.get(), 0, path, &size)) images.push_back({entry.th32ProcessID, {path, size}});
  }
  return images;
}

// A table that grows between the size query and the read is asked again.
constexpr int kTableReadAttempts = 4;

std::wstring notAdded(uint32_t address, DWORD result) {
  const std::wstring shown = L"地址“" + dottedAddressText(address) + L"”";
  if (result == kRouteNotOwned) return L"加速已停止，" + shown + L"未加入加速";
  if (result == kRouteNotJournalled) return L"无法写入路由记录，" + shown + L"未加入加速";
  return shown + L"加入加速失败（错误代码 " + std::to_wstring(result) + L"）";
}

}  // namespace

GameConnectionSystem GameConnectionSystem::real() {
  GameConnectionSystem system;
  system.tcpTable = [](void* table, DWORD* size) {
    return GetExtendedTcpTable(table, size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
  };
  system.processes = runningProcesses;
  system.bestRoute = [](DWORD destination, MIB_IPFORWARDROW* row) { return GetBestRoute(destination, 0, row); };
  return system;
}

GameConnectionSystem& gameConnectionSystem() {
  // Never destroyed: a worker may still use it while the process exits.
  static auto* system = new GameConnectionSystem(GameConnectionSystem::real());
  return *system;
}

std::optional<std::vector<TcpConnectionRow>> tcpConnectionRows() {
  GameConnectionSystem& system = gameConnectionSystem();
  DWORD size = 0;
  if (system.tcpTable(nullptr, &size) != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
  for (int attempt = 0; attempt < kTableReadAttempts; ++attempt) {
    const DWORD allocated = size;
    auto buffer = std::make_unique<unsigned char[]>(allocated);
    const DWORD result = system.tcpTable(buffer.get(), &size);
    if (result == ERROR_INSUFFICIENT_BUFFER) continue;
    if (result != NO_ERROR) return std::nullopt;
    const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buffer.get());
    // Never past the buffer, whatever the count says.
    const size_t room = (allocated - offsetof(MIB_TCPTABLE_OWNER_PID, table)) / sizeof(MIB_TCPROW_OWNER_PID);
    const size_t count = std::min<size_t>(table->dwNumEntries, room);
    std::vector<TcpConnectionRow> rows;
    rows.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      const MIB_TCPROW_OWNER_PID& row = table->table[i];
      rows.push_back({row.dwRemoteAddr, ntohs(static_cast<u_short>(row.dwRemotePort)), row.dwState,
                      row.dwOwningPid});
    }
    return rows;
  }
  return std::nullopt;
}

std::function<bool(uint32_t)> tunnelRouteCheck() {
  const std::optional<uint32_t> adapter = tunnelInterfaceIndex();
  const std::optional<uint32_t> gateway = parseDottedAddress(ClientState::instance().tunnelGateway());
  return [adapter, gateway](uint32_t address) {
    if (!adapter || !gateway) return false;
    MIB_IPFORWARDROW row{};
    if (gameConnectionSystem().bestRoute(address, &row) != NO_ERROR) return false;
    return row.dwForwardIfIndex == *adapter && row.dwForwardNextHop == *gateway;
  };
}

GameConnectionReport checkGameConnections(const std::wstring& gamePath) {
  GameConnectionReport report;
  const std::vector<uint32_t> game = gameProcessIds(gameConnectionSystem().processes(), gamePath);
  if (game.empty()) {
    report.found = GameConnections{};
    return report;
  }
  const auto rows = tcpConnectionRows();
  if (!rows) return report;
  std::vector<uint32_t> own;
  for (const std::optional<uint32_t> peer : {parseDottedAddress(ClientState::instance().tunnelNode()), serviceAddress()}) {
    if (peer) own.push_back(*peer);
  }
  report.found = countGameConnections(*rows, game, own, tunnelRouteCheck());
  return report;
}

std::vector<std::wstring> addBypassingRoutes(uint32_t attempt, const std::vector<uint32_t>& addresses) {
  const ClientState& state = ClientState::instance();
  AddedAddressCheck check = checkAddedAddresses(addresses, tunnelRouteCheck(),
                                                parseDottedAddress(state.tunnelNode()), serviceAddress());
  std::vector<std::wstring> lines = std::move(check.refusals);
  if (check.accepted.empty()) return lines;
  const std::optional<uint32_t> adapter = tunnelInterfaceIndex();
  const std::optional<uint32_t> gateway = parseDottedAddress(state.tunnelGateway());
  if (!adapter || !gateway) {
    lines.push_back(L"查找泓迈网游加速器虚拟网卡失败，未能加入加速");
    return lines;
  }
  for (uint32_t address : check.accepted) {
    const DWORD result = addRoute(attempt, makeRouteRow(address, 0xFFFFFFFFu, *gateway, *adapter, 1));
    if (result != NO_ERROR && result != ERROR_OBJECT_ALREADY_EXISTS) lines.push_back(notAdded(address, result));
  }
  return lines;
}

bool startGameConnectionCheck(uint32_t attempt, const std::wstring& gamePath) {
  return startDetachedWorker([attempt, gamePath] {
    // A check out of memory reports nothing: the next one comes in a few seconds.
    reportingExhaustion(
        [&] {
          postAttemptRecord(WM_GAME_CONNECTIONS, attempt,
                            std::make_unique<GameConnectionReport>(checkGameConnections(gamePath)));
        },
        [] {});
  });
}

bool startAddingBypassingRoutes(uint32_t attempt, const std::wstring& gamePath,
                                const std::vector<uint32_t>& addresses) {
  return startDetachedWorker([attempt, gamePath, addresses] {
    reportingExhaustion(
        [&] {
          std::vector<std::wstring> refusals = addBypassingRoutes(attempt, addresses);
          auto report = std::make_unique<GameConnectionReport>(checkGameConnections(gamePath));
          report->refusals = std::move(refusals);
          postAttemptRecord(WM_GAME_CONNECTIONS, attempt, std::move(report));
        },
        [] {});
  });
}

}  // namespace kestro
