// The relay without its devices: what happens to each packet read from one of
// the three TUN devices, the packets waiting on the wire in due order, and the
// control commands.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <queue>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
};

class Relay {
 public:
  Relay(World world, uint64_t seed);

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
  struct Waiting {
    Time due;
    uint64_t order;  // keeps the order of packets due at the same time
    Port to;
    Bytes packet;
    bool operator>(const Waiting& other) const { return due != other.due ? due > other.due : order > other.order; }
  };

  void forward(Port to, Address remote, Direction direction, std::span<const uint8_t> packet, Time now);
  void answerEcho(std::span<const uint8_t> packet, Time now);
  void enqueue(Time due, Port to, Bytes packet);
  Figures gatewayFigures() const;

  World world_;
  Wire wire_;
  std::optional<Address> tunnel_;           // the node the tunnel last went to
  std::optional<Figures> gatewayOverride_;  // replaces the node's figures for the echo
  std::priority_queue<Waiting, std::vector<Waiting>, std::greater<>> waiting_;
  uint64_t enqueued_ = 0;
  Counters counters_;
};

}  // namespace kestro::relay
