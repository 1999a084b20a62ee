// Shared pieces of the acceleration tests under Wine: a scripted route table in
// the route seam, virtual adapters written straight into the registry, a
// recorder that copies every step record at receipt, and a scoped program folder.
// Header-only: the test folder's sources are its *_test.cpp files.
#pragma once

#include "accel/route_system_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "accel/acc_step_record.h"
#include "accel/acceleration_start_win.h"
#include "accel/route_journal_win.h"
#include "accel/route_rows.h"
#include "accel/tcp_tuning_win.h"
#include "accel/virtual_adapter_win.h"
#include "app/program_folder_win.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/text_convert.h"
#include "tests/support/message_recorder_win.h"
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
  ~ScriptedRouteTable() { routeSystem() = refusingRouteSystem(); }
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
};

// ---- Virtual adapters in the prefix's registry.

inline std::wstring classSubkeyPath(const std::wstring& subkey) {
  return std::wstring(kNetworkAdapterClassKey) + L"\\" + subkey;
}

// Deletes every adapter whose ComponentId is "kestro" in any case, with its
// TCP/IP interface key.
inline void removeTestAdapters() {
  HKEY classKey = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kNetworkAdapterClassKey, 0, KEY_ALL_ACCESS, &classKey) != ERROR_SUCCESS) return;
  std::vector<std::pair<std::wstring, std::wstring>> doomed;
  for (DWORD index = 0;; ++index) {
    wchar_t name[260];
    DWORD length = 260;
    const LONG result = RegEnumKeyExW(classKey, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) continue;
    wchar_t component[260] = {}, instance[260] = {};
    DWORD componentSize = sizeof(component) - 2, instanceSize = sizeof(instance) - 2;
    RegGetValueW(classKey, name, L"ComponentId", RRF_RT_REG_SZ, nullptr, component, &componentSize);
    RegGetValueW(classKey, name, L"NetCfgInstanceId", RRF_RT_REG_SZ, nullptr, instance, &instanceSize);
    if (_wcsicmp(component, L"kestro") == 0) doomed.emplace_back(name, instance);
  }
  for (const auto& [subkey, instance] : doomed) {
    RegDeleteTreeW(classKey, subkey.c_str());
    RegDeleteKeyW(classKey, subkey.c_str());
    if (!instance.empty()) {
      const std::wstring interfaceKey = kTcpInterfacesKey + instance;
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, interfaceKey.c_str());
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, interfaceKey.c_str());
    }
  }
  RegCloseKey(classKey);
}

inline void writeText(HKEY key, const wchar_t* name, const std::wstring& value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// Writes a REG_DWORD under HKEY_LOCAL_MACHINE, creating the key.
inline void setDword(const std::wstring& path, const wchar_t* name, DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
  RegCloseKey(key);
}

// Registers one adapter as the driver tool would; `interfaceKey` false leaves
// out its TCP/IP interface key.
inline void addAdapter(const std::wstring& subkey, const std::wstring& componentId, const std::wstring& instanceId,
                       bool interfaceKey = true) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, classSubkeyPath(subkey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  writeText(key, L"ComponentId", componentId);
  writeText(key, L"NetCfgInstanceId", instanceId);
  RegCloseKey(key);
  if (!interfaceKey) return;
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

// ---- The program folder.

// Makes `folder` the program folder (and the current directory) for the life
// of the object, as if the program had been started from there.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::wstring& folder) {
    GetCurrentDirectoryW(MAX_PATH, previous_);
    EXPECT_TRUE(SetCurrentDirectoryW(folder.c_str())) << toUtf8(folder);
    programFolderOverride() = folder;
  }
  ~CurrentFolder() {
    SetCurrentDirectoryW(previous_);
    programFolderOverride().clear();
  }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  wchar_t previous_[MAX_PATH] = {};
};

// A fresh folder under the system's temporary folder, deleted with its files.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = std::filesystem::path(temp) / (name + L"-" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::wstring path() const { return path_.wstring(); }
  // Copies a file of the program folder (dist/) here, under `as` when given.
  void copyFromProgramFolder(const std::wstring& relative, const std::wstring& as = {}) const {
    const std::filesystem::path target = path_ / (as.empty() ? relative : as);
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(std::filesystem::path(distFolder()) / relative, target,
                               std::filesystem::copy_options::overwrite_existing);
  }
  void write(const std::wstring& relative, const std::string& bytes) const {
    HANDLE file = CreateFileW((path_ / relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }

 private:
  std::filesystem::path path_;
};

// The value names of the route journal (HKLM\\Software\\Kestro\\RouteJournal).
inline std::vector<std::wstring> routeJournalEntries() {
  std::vector<std::wstring> entries;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Kestro\\RouteJournal", 0, KEY_READ, &key) != ERROR_SUCCESS) {
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
