// The route journal in the registry: HKEY_LOCAL_MACHINE\Software\Kestro\RouteJournal,
// one REG_SZ value per row (accel/route_journal.h). A row is
// written before the system is asked to create it and removed after it was
// deleted; at start-up, before the login window, what a crashed or killed run
// left is deleted from the forward table and the journal is emptied.
#pragma once

#include <windows.h>

#include <cstddef>

#include "app/route_records.h"

namespace kestro {

inline constexpr wchar_t kRouteJournalKey[] = L"Software\\Kestro\\RouteJournal";

// False when the journal cannot be written (the route is still created).
bool journalRoute(const ForwardRow& row);
void unjournalRoute(const ForwardRow& row);

// Deletes every journalled row through the route seam and empties the
// journal; returns how many rows it named. Entries that are not rows go too.
size_t sweepRouteJournal();

}  // namespace kestro
