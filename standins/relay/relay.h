// The relay without its devices: what happens to each packet read from one of
// the three TUN devices, the packets waiting on the wire in due order, and the
// control commands. While a tunnel to a node is up, what the client sends into
// the virtual adapter is carried through that node, and replies to the
// adapter's address come back the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <queue>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "standins/relay/control.h"
#include "standins/relay/packet.h"
#include "standins/relay/wire.h"
#include "standins/relay/world.h"

namespace kestro::relay {

enum class Port {
  ClientWan,    // wan0 in the client's namespace
  InternetWan,  // wan0 in the internet's namespace
  Adapter,      // the virtual adapter in the client's namespace
};

struct Counters {
  uint64_t forwarded = 0;  // written across the wans
  uint64_t dropped = 0;    // refused, lost or not written
  uint64_t echoes = 0;     // gateway echo replies written
  uint64_t carried = 0;    // written through the tunnel, either way
};

// Bytes of whole IPv4 packets written, from the client's side ("sent") and
// toward it ("received").
struct ByteCounts {
  uint64_t sent = 0;
  uint64_t received = 0;
};

struct AddressTraffic {
  ByteCounts direct;  // across the wans
  ByteCounts tunnel;  // through the tunnel
};

// Applies a row to the client's routing table: nothing, or why it could not
// ("exists", "no such route" or another reason).
using RouteTable = std::function<std::optional<std::string>(const RouteChange& route)>;

class Relay {
 public:
  Relay(World world, uint64_t seed, RouteTable routes = {});

  // Takes one packet read from `from` at `now`: forwards it, answers it or drops it.
  void receive(Port from, std::span<const uint8_t> packet, Time now);

  // When the next waiting packet is due; nothing while none waits.
  std::optional<Time> nextDue() const;

  // Hands every packet due by `now` to `write` in due order; `write` says
  // whether the device took it.
  using Writer = std::function<bool(Port to, std::span<const uint8_t> packet)>;
  void sendDue(Time now, const Writer& write);

  // One control line in, its answer out ("ok ..." or "error <reason>", no LF).
  std::string answer(std::string_view line);

  const Counters& counters() const { return counters_; }

 private:
  enum class Path { Direct, Tunnel, Echo };

  struct Waiting {
    Time due;
    uint64_t order;  // keeps the order of packets due at the same time
    Port to;
    Bytes packet;
    Path path;
    Address remote;  // the host at the far end (Direct, Tunnel)
    bool operator>(const Waiting& other) const { return due != other.due ? due > other.due : order > other.order; }
  };

  // The tunnel's connection to its node, as the client opened it.
  struct TunnelConnection {
    Address client = 0;
    uint16_t clientPort = 0;
    Address node = 0;
    uint16_t nodePort = 0;
    bool operator==(const TunnelConnection&) const = default;
  };

  void followTunnel(Port from, std::span<const uint8_t> packet, const Ipv4Header& header);
  void forward(Port to, Address remote, Direction direction, std::span<const uint8_t> packet, Time now);
  void carry(Port to, Address remote, Direction direction, std::span<const uint8_t> packet, Time now);
  void answerEcho(std::span<const uint8_t> packet, Time now);
  void enqueue(Time due, Port to, Bytes packet, Path path, Address remote = 0);
  void count(const Waiting& written);
  Figures gatewayFigures() const;
  std::string answerRoute(const RouteChange& route);

  World world_;
  Wire wire_;
  RouteTable routes_;
  std::optional<Address> tunnel_;                  // the node the tunnel last went to
  std::optional<TunnelConnection> tunnelUp_;       // its connection, until it closes
  ByteCounts tunnelBytes_;                         // of the tunnel that last came up
  std::optional<Figures> gatewayOverride_;         // replaces the node's figures for the echo
  std::map<Address, AddressTraffic> traffic_;
  // (client address, remote) of connections made before their route: their
  // packets now enter the adapter with the client's own address, and the
  // node's address translation sends the replies back through the tunnel,
  // until the client's packets go directly again.
  std::set<std::pair<Address, Address>> rerouted_;
  std::priority_queue<Waiting, std::vector<Waiting>, std::greater<>> waiting_;
  uint64_t enqueued_ = 0;
  Counters counters_;
};

}  // namespace kestro::relay
