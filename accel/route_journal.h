// The route journal's entries: every row the program may have put in the
// system's forward table, as text ("198.51.100.0 255.255.255.240
// 203.0.113.249 12": destination, mask, next hop, interface index), so that
// the rows a crashed or killed run left behind can be deleted at the next
// start (and by the uninstaller).
#pragma once

#include <optional>
#include <string>

#include "app/route_records.h"

namespace kestro {

std::wstring journalEntryText(const ForwardRow& row);
// The row to delete for an entry (the fields DeleteIpForwardEntry reads);
// nothing for text that is not four fields of that form.
std::optional<ForwardRow> journalEntryRow(const std::wstring& text);

}  // namespace kestro
