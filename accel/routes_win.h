// Route installation: once the tunnel is up, one IPv4 route per destination of
// acc.php through the virtual adapter, with the tunnel's gateway as next hop.
// Every row asked for is recorded in installedRoutes so that it can be removed.
#pragma once

#include <windows.h>

#include "app/route_records.h"

namespace kestro {

// Starts the route installation thread for an acceleration attempt (the main
// window does this on WM_TUNNEL_CONNECTED); the thread handle is not kept.
void startRouteInstallation(uint32_t attempt);

// The thread's work on the calling thread: reports row 6 with WM_ACC_STEP and
// ends by posting WM_ROUTES_READY, or WM_ACC_STOP when no route could be set.
// Routes are kept only while the tunnel's stop event is held in ClientState
// and `attempt` is still the current acceleration attempt.
void installRoutes(uint32_t attempt);

// Adds one route: the interface's own metric on Windows after XP where IP
// Helper has GetIpInterfaceEntry (else metric 1), then the row
// is recorded and handed to the system. Returns the system's error code, 0 on success.
DWORD addRoute(ForwardRow row);

// Deletes every recorded row from the forward table in order (results ignored)
// and empties the record. Stop calls it; so do the end of a tunnel that ended by
// itself and the program's exit, so routes never outlive the tunnel.
void removeInstalledRoutes();

}  // namespace kestro
