// Replace the process-snapshot and Winsock-catalogue seams for one test: the
// snapshot lists scripted executable names, the catalogue holds scripted
// entries, and every deinstallation is recorded. Header-only: the test folder's
// sources are its *_test.cpp files.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "diag/process_scan_win.h"
#include "diag/provider_scan_win.h"
#include "tests/support/scoped_seam.h"

namespace kestro::test {

class ScriptedProcesses {
 public:
  explicit ScriptedProcesses(std::vector<std::wstring> executables) : executables_(std::move(executables)) {}
  ScriptedProcesses(const ScriptedProcesses&) = delete;
  ScriptedProcesses& operator=(const ScriptedProcesses&) = delete;

  void failSnapshot() { failSnapshot_ = true; }
  void failFirstEntry() { failFirst_ = true; }
  int taken() const { return taken_; }
  int closed() const { return closed_; }

  inline static const HANDLE kSnapshot = reinterpret_cast<HANDLE>(0x5A90);

 private:
  static ScriptedProcesses*& current() {
    static ScriptedProcesses* instance = nullptr;
    return instance;
  }

  static HANDLE WINAPI createSnapshot(DWORD flags, DWORD processId) {
    ScriptedProcesses& self = *current();
    if (self.failSnapshot_ || flags != TH32CS_SNAPPROCESS || processId != 0) return INVALID_HANDLE_VALUE;
    ++self.taken_;
    return kSnapshot;
  }

  static BOOL WINAPI firstProcess(HANDLE snapshot, PROCESSENTRY32W* entry) {
    ScriptedProcesses& self = *current();
    if (snapshot != kSnapshot || entry->dwSize != sizeof(PROCESSENTRY32W) || self.failFirst_) return FALSE;
    self.next_ = 0;
    return nextProcess(snapshot, entry);
  }

  static BOOL WINAPI nextProcess(HANDLE snapshot, PROCESSENTRY32W* entry) {
    ScriptedProcesses& self = *current();
    if (snapshot != kSnapshot || self.next_ >= self.executables_.size()) {
      SetLastError(ERROR_NO_MORE_FILES);
      return FALSE;
    }
    const std::wstring& name = self.executables_[self.next_];
    const DWORD size = entry->dwSize;
    *entry = PROCESSENTRY32W{};
    entry->dwSize = size;
    entry->th32ProcessID = static_cast<DWORD>(100 + self.next_);
    std::copy_n(name.c_str(), std::min<size_t>(name.size(), MAX_PATH - 1), entry->szExeFile);
    ++self.next_;
    return TRUE;
  }

  static BOOL WINAPI closeSnapshot(HANDLE snapshot) {
    if (snapshot != kSnapshot) return FALSE;
    ++current()->closed_;
    return TRUE;
  }

  std::vector<std::wstring> executables_;
  size_t next_ = 0;
  bool failSnapshot_ = false;
  bool failFirst_ = false;
  int taken_ = 0;
  int closed_ = 0;
  // Last, so that the seam is back before anything of the script goes.
  ScopedSeam<ScriptedProcesses*> current_{current(), this};
  ScopedSeam<ProcessSnapshotFunctions> snapshots_{
      processSnapshotFunctions(), ProcessSnapshotFunctions{&createSnapshot, &firstProcess, &nextProcess, &closeSnapshot}};
};

// One catalogue entry: a provider identifier in brace form, a display name and
// a protocol chain length (0, a layered provider, unless given).
inline WSAPROTOCOL_INFOW catalogueEntry(const wchar_t* providerId, const wchar_t* protocol, int chainLength = 0) {
  WSAPROTOCOL_INFOW entry{};
  IIDFromString(providerId, &entry.ProviderId);
  wcsncpy(entry.szProtocol, protocol, WSAPROTOCOL_LEN);
  entry.ProtocolChain.ChainLen = chainLength;
  return entry;
}

// The catalogue of a clean Windows: entries of the five base providers alone.
inline std::vector<WSAPROTOCOL_INFOW> baseCatalogue() {
  return {
      catalogueEntry(L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}", L"MSAFD Tcpip [TCP/IP]"),
      catalogueEntry(L"{F9EAB0C0-26D4-11D0-BBBF-00AA006C34E4}", L"MSAFD Tcpip [UDP/IP]"),
      catalogueEntry(L"{9D60A9E0-337A-11D0-BD88-0000C082E69A}", L"MSAFD Tcpip [RAW/IP]"),
      catalogueEntry(L"{8D5F1830-C273-11CF-95C8-00805F48A192}", L"RSVP TCP Service Provider"),
      catalogueEntry(L"{9FC48064-7298-43E4-B7BD-181F2089792A}", L"MSAFD Tcpip [TCP/IPv6]"),
  };
}

inline std::wstring guidText(const GUID& id) {
  wchar_t text[48] = {};
  StringFromGUID2(id, text, 48);
  return text;
}

class ScriptedCatalogue {
 public:
  // With `realEntries` the catalogue is the system's own and only the
  // deinstallations are scripted (recorded, never made).
  explicit ScriptedCatalogue(std::vector<WSAPROTOCOL_INFOW> entries, bool realEntries = false)
      : entries_(std::move(entries)) {
    if (!realEntries) {
      catalogue_->enumProtocols = &ScriptedCatalogue::enumProtocols;
      catalogue_->providerPath = &ScriptedCatalogue::providerPath;
    }
    catalogue_->deinstallProvider = &ScriptedCatalogue::deinstallProvider;
  }
  ScriptedCatalogue(const ScriptedCatalogue&) = delete;
  ScriptedCatalogue& operator=(const ScriptedCatalogue&) = delete;

  // The size query fails with `error` instead of WSAENOBUFS.
  void failSizeQuery(int error) { sizeError_ = error; }
  // The second call, with the buffer, fails.
  void failRead() { failRead_ = true; }
  // The DLL path the catalogue names for a provider (brace form, as written
  // here); the path of any other provider cannot be read.
  void providerDll(const wchar_t* providerId, const wchar_t* path) { paths_[guidOf(providerId)] = path; }
  const std::vector<std::wstring>& deinstalled() const { return deinstalled_; }
  int reads() const { return reads_; }

 private:
  static ScriptedCatalogue*& current() {
    static ScriptedCatalogue* instance = nullptr;
    return instance;
  }

  static int WSPAPI enumProtocols(LPINT protocols, LPWSAPROTOCOL_INFOW buffer, LPDWORD length, LPINT error) {
    ScriptedCatalogue& self = *current();
    const DWORD needed = static_cast<DWORD>(self.entries_.size() * sizeof(WSAPROTOCOL_INFOW));
    if (protocols != nullptr) return SOCKET_ERROR;  // the scans never filter
    if (buffer == nullptr || *length < needed) {
      *length = needed;
      *error = self.sizeError_;
      return SOCKET_ERROR;
    }
    ++self.reads_;
    if (self.failRead_) {
      *error = WSAEFAULT;
      return SOCKET_ERROR;
    }
    if (needed != 0) std::memcpy(buffer, self.entries_.data(), needed);
    return static_cast<int>(self.entries_.size());
  }

  static std::wstring guidOf(const wchar_t* providerId) {
    GUID id{};
    IIDFromString(providerId, &id);
    return guidText(id);
  }

  static int WSPAPI providerPath(LPGUID providerId, LPWSTR path, LPINT length, LPINT error) {
    const auto& paths = current()->paths_;
    const auto found = paths.find(guidText(*providerId));
    if (found == paths.end() || *length <= static_cast<int>(found->second.size())) {
      *error = WSAEINVAL;
      return SOCKET_ERROR;
    }
    std::copy(found->second.begin(), found->second.end(), path);
    path[found->second.size()] = L'\0';
    return 0;
  }

  static int WSPAPI deinstallProvider(LPGUID providerId, LPINT error) {
    current()->deinstalled_.push_back(guidText(*providerId));
    *error = 0;
    return 0;
  }

  std::vector<WSAPROTOCOL_INFOW> entries_;
  std::vector<std::wstring> deinstalled_;
  std::map<std::wstring, std::wstring> paths_;
  int sizeError_ = WSAENOBUFS;
  bool failRead_ = false;
  int reads_ = 0;
  // Last, so that the seam is back before anything of the script goes.
  ScopedSeam<ScriptedCatalogue*> current_{current(), this};
  ScopedSeam<WinsockCatalogueFunctions> catalogue_{winsockCatalogueFunctions()};
};

}  // namespace kestro::test
