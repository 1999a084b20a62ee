#include "accel/route_journal.h"

#include <cstdio>
#include <cwchar>

#include "accel/ipv4_text.h"
#include "accel/route_rows.h"

namespace kestro {

std::wstring journalEntryText(const ForwardRow& row) {
  return dottedAddressText(row.forwardDest) + L" " + dottedAddressText(row.forwardMask) + L" " +
         dottedAddressText(row.forwardNextHop) + L" " + std::to_wstring(row.forwardIfIndex);
}

std::wstring journalValueName(const ForwardRow& row, const JournalOwner& owner) {
  wchar_t start[17];
  std::swprintf(start, std::size(start), L"%llx", static_cast<unsigned long long>(owner.startTime));
  return journalEntryText(row) + L" " + std::to_wstring(owner.processId) + L"." + start;
}

std::optional<JournalOwner> journalValueOwner(const std::wstring& name) {
  const size_t space = name.rfind(L' ');
  if (space == std::wstring::npos) return std::nullopt;
  const std::wstring tag = name.substr(space + 1);
  unsigned long processId = 0;
  unsigned long long startTime = 0;
  wchar_t rest = 0;
  if (tag.find(L'.') == std::wstring::npos ||
      std::swscanf(tag.c_str(), L"%10lu.%16llx%lc", &processId, &startTime, &rest) != 2) {
    return std::nullopt;
  }
  return JournalOwner{static_cast<uint32_t>(processId), startTime};
}

std::optional<ForwardRow> journalEntryRow(const std::wstring& text) {
  wchar_t destination[16], mask[16], nextHop[16];
  unsigned long interfaceIndex = 0;
  wchar_t rest = 0;
  if (std::swscanf(text.c_str(), L"%15ls %15ls %15ls %10lu %lc", destination, mask, nextHop, &interfaceIndex, &rest) !=
      4) {
    return std::nullopt;
  }
  const auto d = parseDottedAddress(destination);
  const auto m = parseDottedAddress(mask);
  const auto n = parseDottedAddress(nextHop);
  if (!d || !m || !n || interfaceIndex > 0xFFFFFFFFul) return std::nullopt;
  return makeRouteRow(*d, *m, *n, static_cast<uint32_t>(interfaceIndex), 1);
}

}  // namespace kestro
