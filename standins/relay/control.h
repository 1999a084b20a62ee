// The control channel's commands, one a line:
//   set <ip> latency <ms> [jitter <ms>] [loss <fraction>]
//   kill <ip> | revive <ip> | cut
//   gateway latency <ms> [jitter <ms>] [loss <fraction>] | gateway follow
//   show <ip> | show tunnel | count
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "standins/relay/world.h"

namespace kestro::relay {

// Figures a command names. "set" keeps the entry's value of those it leaves
// out; "gateway" takes 0 for them.
struct FigureChanges {
  std::optional<int> latencyMs;
  std::optional<int> jitterMs;
  std::optional<double> lossRate;
  Figures appliedTo(Figures figures) const;
};

struct Command {
  enum class Kind { Set, Kill, Revive, Cut, GatewayFigures, GatewayFollow, Show, ShowTunnel, Count };
  Kind kind = Kind::Count;
  Address address = 0;    // Set, Kill, Revive, Show
  FigureChanges changes;  // Set, GatewayFigures
};

// A command, or the reason (for "error <reason>") the line is not one.
std::variant<Command, std::string> parseCommand(std::string_view line);

// "0", "0.15", "1": the shortest text that reads back as the same number.
std::string formatFraction(double value);

}  // namespace kestro::relay
