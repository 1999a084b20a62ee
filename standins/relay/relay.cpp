#include "standins/relay/relay.h"

#include <utility>
#include <variant>

#include "standins/relay/control.h"

namespace kestro::relay {
namespace {

constexpr size_t kMaxWaiting = 65536;  // packets on the wire at once; more are dropped

}  // namespace

Relay::Relay(World world, uint64_t seed) : world_(std::move(world)), wire_(seed) {}

void Relay::receive(Port from, std::span<const uint8_t> packet, Time now) {
  if (from == Port::Adapter) {
    answerEcho(packet, now);
    return;
  }
  const auto header = parseIpv4(packet);
  if (!header) {
    ++counters_.dropped;
    return;
  }
  if (from == Port::InternetWan) {
    forward(Port::ClientWan, header->source, Direction::ToClient, packet, now);
    return;
  }
  const auto node = world_.entries.find(header->destination);
  const auto port = tcpSynPort(packet, *header);
  if (node != world_.entries.end() && port) {
    for (uint16_t tunnelPort : node->second.tunnelPorts) {
      if (tunnelPort == *port) tunnel_ = header->destination;
    }
  }
  forward(Port::InternetWan, header->destination, Direction::ToInternet, packet, now);
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
  enqueue(*due, to, Bytes(packet.begin(), packet.end()));
}

void Relay::answerEcho(std::span<const uint8_t> packet, Time now) {
  auto reply = world_.gateway ? echoReplyFrom(packet, *world_.gateway) : std::nullopt;
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
  enqueue(*due, Port::Adapter, std::move(*reply));
}

Figures Relay::gatewayFigures() const {
  if (gatewayOverride_) return *gatewayOverride_;
  const auto node = tunnel_ ? world_.entries.find(*tunnel_) : world_.entries.end();
  return node != world_.entries.end() ? node->second.figures : Figures{};
}

void Relay::enqueue(Time due, Port to, Bytes packet) {
  if (waiting_.size() >= kMaxWaiting) {
    ++counters_.dropped;
    return;
  }
  waiting_.push(Waiting{due, enqueued_++, to, std::move(packet)});
}

std::optional<Time> Relay::nextDue() const {
  if (waiting_.empty()) return std::nullopt;
  return waiting_.top().due;
}

void Relay::sendDue(Time now, const Writer& write) {
  while (!waiting_.empty() && waiting_.top().due <= now) {
    const Waiting& next = waiting_.top();
    if (!write(next.to, next.packet)) {
      ++counters_.dropped;
    } else if (next.to == Port::Adapter) {
      ++counters_.echoes;
    } else {
      ++counters_.forwarded;
    }
    waiting_.pop();
  }
}

std::string Relay::answer(std::string_view line) {
  const auto parsed = parseCommand(line);
  if (const auto* error = std::get_if<std::string>(&parsed)) return "error " + *error;
  const Command& command = std::get<Command>(parsed);
  using Kind = Command::Kind;
  switch (command.kind) {
    case Kind::Count:
      return "ok forwarded " + std::to_string(counters_.forwarded) + " dropped " + std::to_string(counters_.dropped) +
             " echoes " + std::to_string(counters_.echoes);
    case Kind::ShowTunnel:
      return "ok " + (tunnel_ ? formatAddress(*tunnel_) : std::string("none"));
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
      break;
  }
  const auto entry = world_.entries.find(command.address);
  if (entry == world_.entries.end()) return "error unknown address " + formatAddress(command.address);
  Entry& found = entry->second;
  if (command.kind == Kind::Set) found.figures = command.changes.appliedTo(found.figures);
  if (command.kind == Kind::Kill || command.kind == Kind::Revive) found.dead = command.kind == Kind::Kill;
  if (command.kind != Kind::Show) return "ok";
  return "ok latency " + std::to_string(found.figures.latencyMs) + " jitter " + std::to_string(found.figures.jitterMs) +
         " loss " + formatFraction(found.figures.lossRate) + " dead " + (found.dead ? "1" : "0");
}

}  // namespace kestro::relay
