// The relay's table: every address of the test world that the wire carries,
// with its delay, jitter and loss, and whether it answers at all.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro::relay {

using Address = uint32_t;  // IPv4, host byte order

// Strict dotted quad ("192.0.2.53"); nothing for anything else.
std::optional<Address> parseAddress(std::string_view text);
std::string formatAddress(Address address);

inline constexpr uint16_t kDefaultNodePort = 7000;
inline constexpr int kMaxMilliseconds = 600000;

struct Figures {
  int latencyMs = 0;    // round trip; each direction costs half
  int jitterMs = 0;     // each direction's delay varies by up to half of it either way
  double lossRate = 0;  // chance that a packet toward the address is lost
  bool operator==(const Figures&) const = default;
};

struct Entry {
  Figures figures;
  // The path from the nodes to a host, taken by what the tunnel carries to it;
  // nothing when the nodes are as far from it as the client is.
  std::optional<Figures> fromNode;
  bool dead = false;
  std::vector<uint16_t> tunnelPorts;  // a node's ports; empty for a plain host
};

struct World {
  std::optional<Address> gateway;  // the tunnel's far end, answered on the adapter
  std::optional<Address> adapter;  // the virtual adapter's address: replies to it go back through the tunnel
  std::map<Address, Entry> entries;
};

// The figures of a path through a node to a host: the node's and the host's
// from the node, one after the other.
Figures throughNode(const Figures& node, const Entry& host);

// Reads "world" ("gateway", "adapter", "hosts" with "ip") and "nodes" (with
// "nodeip" and "nodeport"); each host and node may give "latencyms", "jitterms",
// "lossrate" and "dead", a host also "fromnode" (an object of the first three).
// Other members are ignored. False with `error` set when the text is not such a
// document.
bool parseWorld(std::string_view text, World& out, std::string& error);

}  // namespace kestro::relay
