#include "accel/route_journal_win.h"

#include <string>
#include <vector>

#include "accel/route_journal.h"
#include "accel/route_system_win.h"
#include "app/registry_key_win.h"

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

}  // namespace

bool journalRoute(const ForwardRow& row) {
  RegistryKey key;
  if (RegistryKey::openOrCreate(HKEY_LOCAL_MACHINE, kRouteJournalKey, kJournalAccess, key) != ERROR_SUCCESS) {
    return false;
  }
  const std::wstring text = journalEntryText(row);
  return key.writeText(text.c_str(), text) == ERROR_SUCCESS;
}

void unjournalRoute(const ForwardRow& row) {
  RegistryKey key;
  if (RegistryKey::open(HKEY_LOCAL_MACHINE, kRouteJournalKey, kJournalAccess, key) != ERROR_SUCCESS) return;
  key.deleteValue(journalEntryText(row).c_str());
}

size_t sweepRouteJournal() {
  RegistryKey key;
  if (RegistryKey::open(HKEY_LOCAL_MACHINE, kRouteJournalKey, kJournalAccess, key) != ERROR_SUCCESS) return 0;
  size_t swept = 0;
  for (const auto& [name, text] : journalEntries(key.get())) {
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
