// The game servers' echoes of one acceleration (accel/game_server_figures.h):
// directly while the start sequence runs, before any route is in, and through
// the tunnel once the routes are, every kAcceleratedRoundMs until the
// acceleration it was started for is over. The direct echoes are posted to
// the main window at once, each one through the tunnel as it ends, as
// WM_GAME_SERVER_ECHOES with a GameServerEchoes record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "nodes/echo_tally.h"

namespace kestro {

// Echoes per server (in the order chooseGameServers gave); a server without
// echoes in this record has an empty list. Allocated by the worker, freed by
// the window.
struct GameServerEchoes {
  uint32_t attempt = 0;
  bool direct = false;
  std::vector<std::wstring> servers;
  std::vector<std::vector<EchoOutcome>> outcomes;
};

// Measures `servers` directly on a worker of its own; the route installation
// of `attempt` waits for its end (waitForDirectMeasurement). False when no
// worker could start (nothing is measured then, and nothing waits).
bool startDirectMeasurement(uint32_t attempt, std::vector<std::wstring> servers);

// Returns once the direct measurement of `attempt` has ended, or none runs,
// or after a bound that no measurement needs (it ends within about three
// one and a half seconds by itself).
void waitForDirectMeasurement(uint32_t attempt);

// Measures the servers through the tunnel until the acceleration is over or
// the link monitor's token is no longer `token`; no echo while the tunnel
// has no gateway.
void startAcceleratedMeasurement(const std::wstring& token, uint32_t attempt, std::vector<std::wstring> servers);

}  // namespace kestro
