// Shared pieces of the acceleration tests under Wine: a scripted route table in
// the route seam, virtual adapters written straight into the registry, a
// recorder that copies every step record at receipt, and the route journal.
// Header-only: the test folder's sources are its *_test.cpp files.
#pragma once

#include "accel/route_system_win.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "accel/acc_step_record.h"
#include "accel/acceleration_start_win.h"
#include "accel/game_connections_win.h"
#include "accel/route_journal_win.h"
#include "accel/route_rows.h"
#include "accel/tcp_tuning_win.h"
#include "accel/virtual_adapter_win.h"
#include "app/client_state.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/text_convert.h"
#include "tests/support/adapter_registry_win.h"
#include "tests/support/message_recorder_win.h"
#include "tests/support/registry_values_win.h"
#include "tests/support/scoped_seam.h"
#include "tests/support/test_folders_win.h"
#include "tests/support/wine_host_win.h"

namespace kestro::test {

// The route seam of a test program outside a ScriptedRouteTable: every call
// fails the test, so nothing can reach the machine's real routing table.
inline RouteSystem refusingRouteSystem() {
  RouteSystem system;
  system.getAdaptersInfo = [](IP_ADAPTER_INFO*, ULONG*) -> DWORD {
    ADD_FAILURE() << "GetAdaptersInfo reached outside a scripted route table";
    return ERROR_NOT_SUPPORTED;
  };
  system.getIpInterfaceEntry = [](MIB_IPINTERFACE_ROW*) -> DWORD {
    ADD_FAILURE() << "GetIpInterfaceEntry reached outside a scripted route table";
    return ERROR_NOT_SUPPORTED;
  };
  system.createIpForwardEntry = [](MIB_IPFORWARDROW*) -> DWORD {
    ADD_FAILURE() << "CreateIpForwardEntry reached outside a scripted route table";
    return ERROR_NOT_SUPPORTED;
  };
  system.deleteIpForwardEntry = [](MIB_IPFORWARDROW*) -> DWORD {
    ADD_FAILURE() << "DeleteIpForwardEntry reached outside a scripted route table";
    return ERROR_NOT_SUPPORTED;
  };
  system.windowsMajorVersion = [](DWORD& major) {
    major = 6;
    return true;
  };
  system.journalRow = [](const ForwardRow&) {
    ADD_FAILURE() << "the route journal written outside a scripted route table";
    return false;
  };
  return system;
}

// The tunnel the route cases run behind: gateway 10.77.0.1, the virtual
// adapter's address 10.77.0.2/24 (adapter 12 of a ScriptedRouteTable's
// usual list); no row recorded yet.
inline void setScriptedTunnel() {
  ClientState& state = ClientState::instance();
  state.takeInstalledRoutes();
  state.setTunnelGateway(L"10.77.0.1");
  state.setAdapterAddress(L"10.77.0.2");
  state.setAdapterMask(L"255.255.255.0");
}

// A forward table and adapter list in memory, installed in the route seam for
// the life of the object.
class ScriptedRouteTable {
 public:
  ScriptedRouteTable() {
    RouteSystem& system = routeSystem();
    system.getAdaptersInfo = [this](IP_ADAPTER_INFO* buffer, ULONG* size) { return adaptersInfo(buffer, size); };
    system.getIpInterfaceEntry = [this](MIB_IPINTERFACE_ROW* row) {
      std::lock_guard lock(mutex_);
      interfaceQueries.push_back(*row);
      if (interfaceResult == ERROR_SUCCESS) row->Metric = interfaceMetric;
      return interfaceResult;
    };
    system.createIpForwardEntry = [this](MIB_IPFORWARDROW* row) {
      std::lock_guard lock(mutex_);
      created.push_back(*row);
      const auto scripted = createResults.find(row->dwForwardDest);
      return scripted == createResults.end() ? DWORD{ERROR_SUCCESS} : scripted->second;
    };
    system.deleteIpForwardEntry = [this](MIB_IPFORWARDROW* row) {
      std::lock_guard lock(mutex_);
      deleted.push_back(*row);
      return DWORD{ERROR_SUCCESS};
    };
    system.windowsMajorVersion = [this](DWORD& major) {
      major = majorVersion;
      return true;
    };
    system.journalRow = [this](const ForwardRow& row) { return journalWrites && journalRoute(row); };
  }
  ScriptedRouteTable(const ScriptedRouteTable&) = delete;
  ScriptedRouteTable& operator=(const ScriptedRouteTable&) = delete;

  // Scripted answers.
  std::vector<AdapterAddressEntry> adapters;
  DWORD adaptersInfoResult = ERROR_SUCCESS;
  std::map<DWORD, DWORD> createResults;  // by destination (network order)
  DWORD interfaceResult = ERROR_SUCCESS;
  ULONG interfaceMetric = 25;
  DWORD majorVersion = 6;
  bool journalWrites = true;  // false: the registry refuses every journal entry

  // What the code asked for.
  std::vector<MIB_IPFORWARDROW> created;
  std::vector<MIB_IPFORWARDROW> deleted;
  std::vector<MIB_IPINTERFACE_ROW> interfaceQueries;

  std::vector<MIB_IPFORWARDROW> deletedRows() const {
    std::lock_guard lock(mutex_);
    return deleted;
  }

 private:
  DWORD adaptersInfo(IP_ADAPTER_INFO* buffer, ULONG* size) {
    const ULONG needed = static_cast<ULONG>(sizeof(IP_ADAPTER_INFO) * (adapters.empty() ? 1 : adapters.size()));
    if (buffer == nullptr || *size < needed) {
      *size = needed;
      return ERROR_BUFFER_OVERFLOW;
    }
    if (adaptersInfoResult != ERROR_SUCCESS) return adaptersInfoResult;
    std::memset(buffer, 0, needed);
    for (size_t i = 0; i < adapters.size(); ++i) {
      IP_ADAPTER_INFO& adapter = buffer[i];
      adapter.Next = i + 1 < adapters.size() ? &buffer[i + 1] : nullptr;
      adapter.Index = adapters[i].adapterIndex;
      strncpy_s(adapter.IpAddressList.IpAddress.String, adapters[i].address.c_str(), _TRUNCATE);
      strncpy_s(adapter.IpAddressList.IpMask.String, adapters[i].mask.c_str(), _TRUNCATE);
    }
    return adapters.empty() ? DWORD{ERROR_NO_DATA} : DWORD{ERROR_SUCCESS};
  }

  mutable std::mutex mutex_;
  // Last, so that the seam is back before anything of the table goes.
  ScopedSeam<RouteSystem> routes_{routeSystem()};
};

// ---- The game's connections.

// The virtual adapter's index in a ScriptedConnections' adapter list.
inline constexpr DWORD kScriptedAdapterIndex = 12;

// A connection table, process list and route table in memory, in the seam for
// the life of the object; the route seam's adapter list is scripted too (the
// adapter of setScriptedTunnel). The best route of a destination in `routed`
// leaves by that adapter to `tunnelGateway`, every other by adapter 5.
class ScriptedConnections {
 public:
  ScriptedConnections() {
    seam_->tcpTable = [this](void* buffer, DWORD* size) {
      const std::lock_guard hold(lock);
      return tcpTable(buffer, size);
    };
    seam_->processes = [this] {
      const std::lock_guard hold(lock);
      return processes;
    };
    seam_->bestRoute = [this](DWORD destination, MIB_IPFORWARDROW* row) {
      const std::lock_guard hold(lock);
      *row = {};
      row->dwForwardDest = destination;
      const bool tunnelled = routed.count(destination) != 0;
      row->dwForwardIfIndex = tunnelled ? kScriptedAdapterIndex : 5;
      row->dwForwardNextHop = tunnelled ? tunnelGateway : inet_addr("192.168.1.1");
      return DWORD{NO_ERROR};
    };
    routes.adapters = {{5, "192.168.1.9", "255.255.255.0"}, {kScriptedAdapterIndex, "10.77.0.2", "255.255.255.0"}};
  }

  // Held to change the tables while a worker of the program may read them.
  std::mutex lock;
  std::vector<MIB_TCPROW_OWNER_PID> rows;
  std::vector<ProcessImage> processes;
  std::set<DWORD> routed;  // destinations whose best route is the tunnel's
  DWORD tunnelGateway = inet_addr("10.77.0.1");
  DWORD tableResult = NO_ERROR;
  // Rows that appear between the size query and the first read.
  std::vector<MIB_TCPROW_OWNER_PID> lateRows;
  ScriptedRouteTable routes;

 private:
  DWORD tcpTable(void* buffer, DWORD* size) {
    if (tableResult != NO_ERROR) return tableResult;
    if (buffer != nullptr && !lateRows.empty()) {
      rows.insert(rows.end(), lateRows.begin(), lateRows.end());
      lateRows.clear();
    }
    const DWORD needed =
        static_cast<DWORD>(offsetof(MIB_TCPTABLE_OWNER_PID, table) + rows.size() * sizeof(MIB_TCPROW_OWNER_PID));
    if (buffer == nullptr || *size < needed) {
      *size = needed;
      return DWORD{ERROR_INSUFFICIENT_BUFFER};
    }
    auto* table = static_cast<MIB_TCPTABLE_OWNER_PID*>(buffer);
    table->dwNumEntries = static_cast<DWORD>(rows.size());
    std::memcpy(table->table, rows.data(), rows.size() * sizeof(MIB_TCPROW_OWNER_PID));
    return DWORD{NO_ERROR};
  }

  ScopedSeam<GameConnectionSystem> seam_{gameConnectionSystem()};
};

// One row of the system's TCP table, from the adapter 5's address.
inline MIB_TCPROW_OWNER_PID tcpRow(const char* remote, u_short port, DWORD state, DWORD pid) {
  MIB_TCPROW_OWNER_PID out{};
  out.dwState = state;
  out.dwLocalAddr = inet_addr("192.168.1.9");
  out.dwLocalPort = htons(50000);
  out.dwRemoteAddr = inet_addr(remote);
  out.dwRemotePort = htons(port);
  out.dwOwningPid = pid;
  return out;
}

// ---- Virtual adapters in the prefix's registry.

inline std::wstring classSubkeyPath(const std::wstring& subkey) {
  return std::wstring(kNetworkAdapterClassKey) + L"\\" + subkey;
}

// Deletes every adapter whose ComponentId is "kestro" in any case, with its
// TCP/IP interface key.
inline void removeTestAdapters() {
  HKEY classKey = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kNetworkAdapterClassKey, 0, KEY_ALL_ACCESS, &classKey) != ERROR_SUCCESS) return;
  for (const RegisteredAdapter& adapter : kestroAdapters()) {
    RegDeleteTreeW(classKey, adapter.subkey.c_str());
    RegDeleteKeyW(classKey, adapter.subkey.c_str());
    if (!adapter.instanceId.empty()) {
      const std::wstring interfaceKey = kTcpInterfacesKey + adapter.instanceId;
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, interfaceKey.c_str());
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, interfaceKey.c_str());
    }
  }
  RegCloseKey(classKey);
}

// Writes a REG_DWORD under HKEY_LOCAL_MACHINE, creating the key.
inline void setDword(const std::wstring& path, const wchar_t* name, DWORD value) {
  writeRegistryDword(HKEY_LOCAL_MACHINE, path, name, value);
}

// Registers one adapter as the driver tool would; `interfaceKey` false leaves
// out its TCP/IP interface key.
inline void addAdapter(const std::wstring& subkey, const std::wstring& componentId, const std::wstring& instanceId,
                       bool interfaceKey = true) {
  writeRegistryText(HKEY_LOCAL_MACHINE, classSubkeyPath(subkey), L"ComponentId", componentId);
  writeRegistryText(HKEY_LOCAL_MACHINE, classSubkeyPath(subkey), L"NetCfgInstanceId", instanceId);
  if (!interfaceKey) return;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kTcpInterfacesKey + instanceId).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

// ---- Reports to a stand-in main window.

// A recorder registered as the main window that keeps a copy of every step
// record and of every WM_TUNNEL_INFO text as they arrive.
class MainWindowRecorder {
 public:
  MainWindowRecorder()
      : recorder_([this](UINT message, WPARAM wParam, LPARAM lParam) { return snapshot(message, wParam, lParam); }) {
    EXPECT_NE(recorder_.window(), nullptr) << "no window: is DISPLAY set to a running X server?";
    WindowHandles::instance().mainWindow = recorder_.window();
  }
  ~MainWindowRecorder() { WindowHandles::instance().mainWindow = nullptr; }

  MessageRecorder& recorder() { return recorder_; }
  HWND window() const { return recorder_.window(); }
  const std::vector<AccStepRecord>& steps() const { return steps_; }
  bool pumpUntilMessage(UINT message, DWORD ms) { return recorder_.pumpUntilMessage(message, ms); }
  int count(UINT message) const {
    int n = 0;
    for (const auto& entry : recorder_.entries()) n += entry.message == message ? 1 : 0;
    return n;
  }
  // The detail of the first entry of `message`.
  std::wstring detailOf(UINT message) const {
    for (const auto& entry : recorder_.entries())
      if (entry.message == message) return entry.detail;
    return {};
  }
  // What the main window does with the tunnel's WM_TUNNEL_INFO reports: the
  // gateway and the adapter's address and mask go into the client state.
  void keepTunnelAddresses() const {
    ClientState& state = ClientState::instance();
    for (const auto& entry : recorder_.entries()) {
      if (entry.message != WM_TUNNEL_INFO) continue;
      if (entry.wParam == 1) state.setTunnelGateway(entry.detail);
      if (entry.wParam == 2) state.setAdapterAddress(entry.detail);
      if (entry.wParam == 3) state.setAdapterMask(entry.detail);
    }
  }

 private:
  std::wstring snapshot(UINT message, WPARAM wParam, LPARAM lParam) {
    // What the main window answers once it has handled the tunnel library's posts.
    if (message == WM_TUNNEL_POSTS_HANDLED) acknowledgeTunnelPosts(static_cast<uint32_t>(wParam));
    if (message == WM_ACC_STEP) {
      steps_.push_back(*reinterpret_cast<const AccStepRecord*>(lParam));
      return {};
    }
    if (message == WM_TUNNEL_INFO) return fromAnsi(reinterpret_cast<const char*>(lParam));
    if (message == WM_TUNNEL_ERROR) return std::to_wstring(lParam);
    return {};
  }

  std::vector<AccStepRecord> steps_;
  MessageRecorder recorder_;
};

// The value names of the route journal (HKLM\\Software\\Kestro\\RouteJournal).
inline std::vector<std::wstring> routeJournalEntries() {
  std::vector<std::wstring> entries;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRouteJournalKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return entries;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[128];
    DWORD length = 128;
    if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    entries.emplace_back(name, length);
  }
  RegCloseKey(key);
  return entries;
}

}  // namespace kestro::test
