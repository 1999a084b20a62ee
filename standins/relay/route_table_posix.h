// The client namespace's own routing table, changed through a netlink socket
// opened in that namespace: the rows the program creates and deletes there,
// which Wine's route calls alone would leave untouched.
#pragma once

#include <optional>
#include <string>

#include "standins/relay/control.h"

namespace kestro::relay {

// Adds or deletes the row in the main table of the socket's namespace. Nothing
// on success, else "exists" (an add of a row present), "no such route" (a
// delete of a row absent) or the system's reason. A delete matches the
// destination, prefix, gateway and interface, whatever the metric.
std::optional<std::string> applyRoute(int netlink, const RouteChange& route);

}  // namespace kestro::relay
