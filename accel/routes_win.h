// Route installation, the public face of the route files of accel/ (the
// others serve it: route_targets checks acc.php's targets, route_rows fills
// the rows, route_journal_win journals them, route_system_win is the system's
// table of calls): once the tunnel is up, one IPv4 route per destination of
// acc.php through the virtual adapter, with the tunnel's gateway as next hop.
// Every row asked for is recorded in installedRoutes so that it can be removed.
//
// The rows belong to one acceleration attempt at a time: the attempt whose
// route run was started last. A run of an earlier attempt (left over from a
// failed start) adds nothing once a later one took the routes, and removes
// nothing of it; stop, the tunnel's end and the program's exit end the
// ownership, so that a run still adding rows adds no more.
#pragma once

#include <windows.h>

#include <optional>

#include "app/route_records.h"

namespace kestro {

// What addRoute answers besides the system's codes.
inline constexpr DWORD kRouteNotOwned = ERROR_CANCELLED;        // the attempt no longer owns the routes
inline constexpr DWORD kRouteNotJournalled = ERROR_WRITE_FAULT;  // the journal could not be written: not created

// The main window calls this on WM_TUNNEL_CONNECTED: `attempt` takes the
// routes (rows of an earlier one go now), and its route installation thread
// starts; the thread handle is not kept.
void startRouteInstallation(uint32_t attempt);

// The thread's work on the calling thread, for an attempt that took the
// routes: reports row 6 with WM_ACC_STEP and ends by posting WM_ROUTES_READY,
// or WM_ACC_STOP when no route could be set.
void installRoutes(uint32_t attempt);

// `attempt` takes the routes, as startRouteInstallation does.
void claimRoutes(uint32_t attempt);

// Adds one route for `attempt`: the interface's own metric on Windows after XP
// where IP Helper has GetIpInterfaceEntry (else metric 1); then, while the
// attempt owns the routes, the row is journalled, recorded and handed to the
// system. Returns the system's error code (0 on success), kRouteNotOwned or
// kRouteNotJournalled.
DWORD addRoute(uint32_t attempt, ForwardRow row);

// The virtual adapter's index in the system's adapter list (the adapter that
// carries the tunnel's address and mask); nothing when no adapter does.
std::optional<uint32_t> tunnelInterfaceIndex();
// The service's address, which no route may cover: its host as written in the
// base URL, or (a name) as the system resolves it; nothing when unknown.
std::optional<uint32_t> serviceAddress();

// Deletes every recorded row from the forward table in order (results ignored),
// empties the record and ends the ownership. Stop calls it; so do the end of a
// tunnel and the program's exit, so routes never outlive the tunnel.
void removeInstalledRoutes();
// The same, only while `attempt` owns the routes (a late report of an earlier
// attempt removes nothing of a later one).
void removeRoutesOf(uint32_t attempt);

}  // namespace kestro
