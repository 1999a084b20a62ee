// The route journal's entries: every row the program may have put in the
// system's forward table, as text ("198.51.100.0 255.255.255.240
// 203.0.113.249 12": destination, mask, next hop, interface index), so that
// the rows a crashed or killed run left behind can be deleted at the next
// start (and by the uninstaller).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/route_records.h"

namespace kestro {

// The program that journalled a row: its process id and the time it started
// (which tells a running program from a later one with the same id). The
// journal and the forward table are the machine's, while the program runs
// once per user session: a start-up sweep leaves the rows of an owner that
// still runs.
struct JournalOwner {
  uint32_t processId = 0;
  uint64_t startTime = 0;

  friend bool operator==(const JournalOwner&, const JournalOwner&) = default;
};

std::wstring journalEntryText(const ForwardRow& row);

// The registry value name of an entry: its text, a space and the owner
// ("<process id>.<start time in hexadecimal>"). The value's data is the text alone.
std::wstring journalValueName(const ForwardRow& row, const JournalOwner& owner);
// The owner named at the end of a value name; nothing for a name without one.
std::optional<JournalOwner> journalValueOwner(const std::wstring& name);
// The row to delete for an entry (the fields DeleteIpForwardEntry reads);
// nothing for text that is not four fields of that form.
std::optional<ForwardRow> journalEntryRow(const std::wstring& text);

}  // namespace kestro
