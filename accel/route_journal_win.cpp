#include "accel/route_journal_win.h"

#include <optional>
#include <string>
#include <vector>

#include "accel/route_journal.h"
#include "accel/route_system_win.h"
#include "app/registry_key_win.h"
#include "base/unique_handle_win.h"

namespace kestro {
namespace {

constexpr REGSAM kJournalAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

// Every value name and its text data.
std::vector<std::pair<std::wstring, std::wstring>> journalEntries(HKEY key) {
  std::vector<std::pair<std::wstring, std::wstring>> entries;
  for (DWORD index = 0;; ++index) {
    wchar_t name[128];
    DWORD nameLength = static_cast<DWORD>(std::size(name));
    wchar_t data[128] = {};
    DWORD dataBytes = sizeof(data) - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result = RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                      &dataBytes);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result == ERROR_MORE_DATA) {
      // Not an entry of ours: deleted with the rest.
      entries.push_back({std::wstring(name, nameLength), L""});
      continue;
    }
    if (result != ERROR_SUCCESS) break;
    entries.push_back({std::wstring(name, nameLength), type == REG_SZ ? std::wstring(data) : std::wstring()});
  }
  return entries;
}

uint64_t fileTimeValue(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// When the process started; nothing when it cannot be asked.
std::optional<uint64_t> startTimeOf(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return std::nullopt;
  return fileTimeValue(created);
}

}  // namespace

JournalOwner thisProgram() {
  static const JournalOwner self{GetCurrentProcessId(), startTimeOf(GetCurrentProcess()).value_or(0)};
  return self;
}

bool ownerRuns(const JournalOwner& owner) {
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, owner.processId));
  if (!process) return false;
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process.get(), &exitCode) || exitCode != STILL_ACTIVE) return false;
  return startTimeOf(process.get()) == owner.startTime;
}

bool journalRoute(const ForwardRow& row) {
  RegistryKey key;
  if (RegistryKey::openOrCreate(HKEY_LOCAL_MACHINE, kRouteJournalKey, kJournalAccess, key) != ERROR_SUCCESS) {
    return false;
  }
  return key.writeText(journalValueName(row, thisProgram()).c_str(), journalEntryText(row)) == ERROR_SUCCESS;
}

void unjournalRoute(const ForwardRow& row) {
  RegistryKey key;
  if (RegistryKey::open(HKEY_LOCAL_MACHINE, kRouteJournalKey, kJournalAccess, key) != ERROR_SUCCESS) return;
  key.deleteValue(journalValueName(row, thisProgram()).c_str());
}

size_t sweepRouteJournal() {
  RegistryKey key;
  if (RegistryKey::open(HKEY_LOCAL_MACHINE, kRouteJournalKey, kJournalAccess, key) != ERROR_SUCCESS) return 0;
  size_t swept = 0;
  for (const auto& [name, text] : journalEntries(key.get())) {
    // A program running in another session keeps its rows and their entries.
    if (const auto owner = journalValueOwner(name); owner && ownerRuns(*owner)) continue;
    if (const auto row = journalEntryRow(text)) {
      MIB_IPFORWARDROW systemRow = systemRowOf(*row);
      routeSystem().deleteIpForwardEntry(&systemRow);
      ++swept;
    }
    key.deleteValue(name.c_str());
  }
  return swept;
}

}  // namespace kestro
