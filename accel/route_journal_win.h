// The route journal in the registry: HKEY_LOCAL_MACHINE\Software\Kestro\RouteJournal,
// one REG_SZ value per row (accel/route_journal.h), named with the program
// that wrote it. A row is written before the system is asked to create it
// (a row that could not be journalled is not created) and removed after it
// was deleted; at start-up, before the login window, what a crashed or killed
// run left is deleted from the forward table. The rows of a program still
// running (in another user's session) stay.
#pragma once

#include <windows.h>

#include <cstddef>

#include "accel/route_journal.h"
#include "app/route_records.h"

namespace kestro {

inline constexpr wchar_t kRouteJournalKey[] = L"Software\\Kestro\\RouteJournal";

// False when the journal cannot be written.
bool journalRoute(const ForwardRow& row);
void unjournalRoute(const ForwardRow& row);

// This program, as its journal entries name it.
JournalOwner thisProgram();
// Whether the program that `owner` names still runs.
bool ownerRuns(const JournalOwner& owner);

// Deletes every journalled row whose program no longer runs through the route
// seam, with its entry; returns how many rows it deleted. Entries that are
// not rows go too.
size_t sweepRouteJournal();

}  // namespace kestro
