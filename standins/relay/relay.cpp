#include "standins/relay/relay.h"

#include <algorithm>
#include <utility>
#include <variant>

namespace kestro::relay {
namespace {

constexpr size_t kMaxWaiting = 65536;  // packets on the wire at once; more are dropped

std::string bytesText(const ByteCounts& bytes) {
  return "sent " + std::to_string(bytes.sent) + " received " + std::to_string(bytes.received);
}

}  // namespace

Relay::Relay(World world, uint64_t seed, RouteTable routes)
    : world_(std::move(world)), wire_(seed), routes_(std::move(routes)) {}

void Relay::receive(Port from, std::span<const uint8_t> packet, Time now) {
  const auto header = parseIpv4(packet);
  if (!header) {
    ++counters_.dropped;
    return;
  }
  followTunnel(from, packet, *header);
  if (from == Port::Adapter) {
    if (world_.gateway && header->destination == *world_.gateway) {
      answerEcho(packet, now);
    } else {
      if (!world_.adapter || header->source != *world_.adapter) rerouted_.insert({header->source, header->destination});
      carry(Port::InternetWan, header->destination, Direction::TunnelToInternet, packet, now);
    }
    return;
  }
  if (from == Port::InternetWan) {
    if ((world_.adapter && header->destination == *world_.adapter) ||
        rerouted_.count({header->destination, header->source}) != 0) {
      carry(Port::Adapter, header->source, Direction::TunnelToClient, packet, now);
    } else {
      forward(Port::ClientWan, header->source, Direction::ToClient, packet, now);
    }
    return;
  }
  rerouted_.erase({header->source, header->destination});
  forward(Port::InternetWan, header->destination, Direction::ToInternet, packet, now);
}

// A SYN from the client to a node's port opens the tunnel (and makes that node
// the current one); a FIN or RST of that connection, either way, ends it.
void Relay::followTunnel(Port from, std::span<const uint8_t> packet, const Ipv4Header& header) {
  const auto segment = tcpSegment(packet, header);
  if (!segment) return;
  if (from == Port::ClientWan && segment->opens()) {
    const auto node = world_.entries.find(header.destination);
    if (node == world_.entries.end()) return;
    const auto& ports = node->second.tunnelPorts;
    if (std::find(ports.begin(), ports.end(), segment->destinationPort) == ports.end()) return;
    tunnel_ = header.destination;
    const TunnelConnection opened{header.source, segment->sourcePort, header.destination, segment->destinationPort};
    if (tunnelUp_ != opened) tunnelBytes_ = {};  // a retransmitted SYN keeps the counts
    tunnelUp_ = opened;
    return;
  }
  if (!tunnelUp_ || !segment->closes()) return;
  const TunnelConnection& up = *tunnelUp_;
  const bool outward = header.source == up.client && segment->sourcePort == up.clientPort &&
                       header.destination == up.node && segment->destinationPort == up.nodePort;
  const bool inward = header.source == up.node && segment->sourcePort == up.nodePort &&
                      header.destination == up.client && segment->destinationPort == up.clientPort;
  if (outward || inward) tunnelUp_.reset();
}

void Relay::forward(Port to, Address remote, Direction direction, std::span<const uint8_t> packet, Time now) {
  const auto entry = world_.entries.find(remote);
  if (entry == world_.entries.end() || entry->second.dead) {
    ++counters_.dropped;
    return;
  }
  const auto due = wire_.decide(entry->second.figures, remote, direction, now);
  if (!due) {
    ++counters_.dropped;
    return;
  }
  enqueue(*due, to, Bytes(packet.begin(), packet.end()), Path::Direct, remote);
}

// Through the tunnel's node: nothing passes while no tunnel is up or its node is dead.
void Relay::carry(Port to, Address remote, Direction direction, std::span<const uint8_t> packet, Time now) {
  const auto node = tunnelUp_ ? world_.entries.find(tunnelUp_->node) : world_.entries.end();
  const auto host = world_.entries.find(remote);
  if (node == world_.entries.end() || node->second.dead || host == world_.entries.end() || host->second.dead) {
    ++counters_.dropped;
    return;
  }
  const auto due = wire_.decide(throughNode(node->second.figures, host->second), remote, direction, now);
  if (!due) {
    ++counters_.dropped;
    return;
  }
  enqueue(*due, to, Bytes(packet.begin(), packet.end()), Path::Tunnel, remote);
}

void Relay::answerEcho(std::span<const uint8_t> packet, Time now) {
  auto reply = echoReplyFrom(packet, *world_.gateway);
  const auto node = tunnel_ ? world_.entries.find(*tunnel_) : world_.entries.end();
  if (!reply || node == world_.entries.end() || node->second.dead) {
    ++counters_.dropped;
    return;
  }
  const auto due = wire_.decide(gatewayFigures(), *world_.gateway, Direction::RoundTrip, now);
  if (!due) {
    ++counters_.dropped;
    return;
  }
  enqueue(*due, Port::Adapter, std::move(*reply), Path::Echo);
}

Figures Relay::gatewayFigures() const {
  if (gatewayOverride_) return *gatewayOverride_;
  const auto node = tunnel_ ? world_.entries.find(*tunnel_) : world_.entries.end();
  return node != world_.entries.end() ? node->second.figures : Figures{};
}

void Relay::enqueue(Time due, Port to, Bytes packet, Path path, Address remote) {
  if (waiting_.size() >= kMaxWaiting) {
    ++counters_.dropped;
    return;
  }
  waiting_.push(Waiting{due, enqueued_++, to, std::move(packet), path, remote});
}

std::optional<Time> Relay::nextDue() const {
  if (waiting_.empty()) return std::nullopt;
  return waiting_.top().due;
}

void Relay::sendDue(Time now, const Writer& write) {
  while (!waiting_.empty() && waiting_.top().due <= now) {
    const Waiting& next = waiting_.top();
    if (write(next.to, next.packet)) {
      count(next);
    } else {
      ++counters_.dropped;
    }
    waiting_.pop();
  }
}

void Relay::count(const Waiting& written) {
  const uint64_t size = written.packet.size();
  const auto add = [&](ByteCounts& bytes) { (written.to == Port::InternetWan ? bytes.sent : bytes.received) += size; };
  switch (written.path) {
    case Path::Direct:
      ++counters_.forwarded;
      add(traffic_[written.remote].direct);
      break;
    case Path::Tunnel:
      ++counters_.carried;
      add(traffic_[written.remote].tunnel);
      add(tunnelBytes_);
      break;
    case Path::Echo:
      // The request crossed the tunnel too; a reply is as long as its request.
      ++counters_.echoes;
      tunnelBytes_.sent += size;
      tunnelBytes_.received += size;
      break;
  }
}

std::string Relay::answerRoute(const RouteChange& route) {
  if (!routes_) return "error no routing table";
  const auto refused = routes_(route);
  return refused ? "error " + *refused : "ok";
}

std::string Relay::answer(std::string_view line) {
  const auto parsed = parseCommand(line);
  if (const auto* error = std::get_if<std::string>(&parsed)) return "error " + *error;
  const Command& command = std::get<Command>(parsed);
  using Kind = Command::Kind;
  switch (command.kind) {
    case Kind::Count:
      return "ok forwarded " + std::to_string(counters_.forwarded) + " dropped " + std::to_string(counters_.dropped) +
             " echoes " + std::to_string(counters_.echoes) + " carried " + std::to_string(counters_.carried);
    case Kind::ShowTunnel:
      return "ok " + (tunnel_ ? formatAddress(*tunnel_) : std::string("none"));
    case Kind::TunnelTraffic:
      return std::string("ok ") + (tunnelUp_ ? "up " : "down ") + bytesText(tunnelBytes_);
    case Kind::Route:
      return answerRoute(command.route);
    case Kind::Cut:
      if (!tunnel_) return "error no tunnel";
      world_.entries[*tunnel_].dead = true;
      return "ok";
    case Kind::GatewayFollow:
      gatewayOverride_.reset();
      return "ok";
    case Kind::GatewayFigures:
      gatewayOverride_ = command.changes.appliedTo(Figures{});
      return "ok";
    case Kind::Set:
    case Kind::Kill:
    case Kind::Revive:
    case Kind::Show:
    case Kind::AddressTraffic:
      break;
  }
  const auto entry = world_.entries.find(command.address);
  if (entry == world_.entries.end()) return "error unknown address " + formatAddress(command.address);
  Entry& found = entry->second;
  if (command.kind == Kind::AddressTraffic) {
    const AddressTraffic& traffic = traffic_[command.address];
    return "ok direct " + bytesText(traffic.direct) + " tunnel " + bytesText(traffic.tunnel);
  }
  if (command.kind == Kind::Set) found.figures = command.changes.appliedTo(found.figures);
  if (command.kind == Kind::Kill || command.kind == Kind::Revive) found.dead = command.kind == Kind::Kill;
  if (command.kind != Kind::Show) return "ok";
  return "ok latency " + std::to_string(found.figures.latencyMs) + " jitter " + std::to_string(found.figures.jitterMs) +
         " loss " + formatFraction(found.figures.lossRate) + " dead " + (found.dead ? "1" : "0");
}

}  // namespace kestro::relay
