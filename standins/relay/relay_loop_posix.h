// The relay's one loop: reads the TUN devices, writes what falls due, serves
// the control channel, until it is told to stop.
#pragma once

#include <sys/types.h>

#include <optional>

#include "standins/relay/devices_posix.h"
#include "standins/relay/relay.h"

namespace kestro::relay {

// Runs until SIGTERM or SIGINT, until `watched` no longer exists, or until a
// device cannot be read any more (its namespace has gone). Returns the exit code.
int runRelay(Relay& relay, const Devices& devices, std::optional<pid_t> watched);

}  // namespace kestro::relay
