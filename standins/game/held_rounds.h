// The stand-in game's held connections (--hold): TCP connections to several
// servers kept open side by side, one timed round on each every so often, one
// line per round, so that a test reads each connection's round trips while
// the game runs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestro::game {

struct HeldRound {
  std::string server;  // "192.0.2.20:9000"
  int round = 0;
  std::optional<double> ms;  // nothing: the round was not answered in time, and the connection ends
};

// "held 192.0.2.20:9000 round 3 41.5 ms", or "held 192.0.2.20:9000 round 3 lost".
std::string heldRoundLine(const HeldRound& round);
// Nothing for any other line.
std::optional<HeldRound> readHeldRoundLine(std::string_view line);

}  // namespace kestro::game
