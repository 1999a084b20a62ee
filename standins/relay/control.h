// The control channel's commands, one a line:
//   set <ip> latency <ms> [jitter <ms>] [loss <fraction>]
//   kill <ip> | revive <ip> | cut
//   gateway latency <ms> [jitter <ms>] [loss <fraction>] | gateway follow
//   show <ip> | show tunnel | count | traffic | traffic <ip>
//   route add|delete <destination> mask <mask> via <gateway> if <index> metric <n>
#pragma once

#include <cstdint>
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

// One row of the client's routing table, as the program's route calls name it:
// the interface by its index, the mask as a prefix length.
struct RouteChange {
  bool add = true;  // false: delete
  Address destination = 0;
  int prefixLength = 32;
  Address gateway = 0;
  uint32_t interfaceIndex = 0;
  uint32_t metric = 0;
};

struct Command {
  enum class Kind {
    Set, Kill, Revive, Cut, GatewayFigures, GatewayFollow, Show, ShowTunnel, Count, TunnelTraffic, AddressTraffic,
    Route
  };
  Kind kind = Kind::Count;
  Address address = 0;    // Set, Kill, Revive, Show, AddressTraffic
  FigureChanges changes;  // Set, GatewayFigures
  RouteChange route;      // Route
};

// A command, or the reason (for "error <reason>") the line is not one.
std::variant<Command, std::string> parseCommand(std::string_view line);

// "0", "0.15", "1": the shortest text that reads back as the same number.
std::string formatFraction(double value);

// "192.0.2.10/32 via 203.0.113.249 if 5 metric 1", for the relay's log.
std::string describeRoute(const RouteChange& route);

}  // namespace kestro::relay
