// The few IPv4, ICMP and TCP header fields the relay looks at, and the echo
// reply it builds for the tunnel gateway.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "standins/relay/world.h"

namespace kestro::relay {

using Bytes = std::vector<uint8_t>;

inline constexpr uint8_t kProtocolIcmp = 1;
inline constexpr uint8_t kProtocolTcp = 6;

struct Ipv4Header {
  Address source = 0;
  Address destination = 0;
  uint8_t protocol = 0;
  size_t headerLength = 0;  // bytes, options included
  size_t totalLength = 0;   // bytes, as the header says (never more than was read)
};

// Nothing unless the bytes start with a well-formed IPv4 header.
std::optional<Ipv4Header> parseIpv4(std::span<const uint8_t> packet);

inline constexpr uint8_t kTcpFin = 0x01;
inline constexpr uint8_t kTcpSyn = 0x02;
inline constexpr uint8_t kTcpRst = 0x04;
inline constexpr uint8_t kTcpAck = 0x10;

struct TcpSegment {
  uint16_t sourcePort = 0;
  uint16_t destinationPort = 0;
  uint8_t flags = 0;
  // A connection's first packet: SYN without ACK.
  bool opens() const { return (flags & (kTcpSyn | kTcpAck)) == kTcpSyn; }
  // FIN or RST: the connection is ending.
  bool closes() const { return (flags & (kTcpFin | kTcpRst)) != 0; }
};

// The ports and flags of a TCP segment (the first fragment); nothing for any other packet.
std::optional<TcpSegment> tcpSegment(std::span<const uint8_t> packet, const Ipv4Header& header);

// The one's-complement sum of RFC 1071 over the bytes.
uint16_t internetChecksum(std::span<const uint8_t> bytes);

// The echo reply to an ICMP echo request addressed to `gateway`: same identifier,
// sequence and payload, addresses swapped, TTL 64, both checksums computed.
// Nothing when the packet is not such a request.
std::optional<Bytes> echoReplyFrom(std::span<const uint8_t> packet, Address gateway);

}  // namespace kestro::relay
