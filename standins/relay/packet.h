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

// The destination port of a TCP SYN without ACK; nothing for any other packet.
std::optional<uint16_t> tcpSynPort(std::span<const uint8_t> packet, const Ipv4Header& header);

// The one's-complement sum of RFC 1071 over the bytes.
uint16_t internetChecksum(std::span<const uint8_t> bytes);

// The echo reply to an ICMP echo request addressed to `gateway`: same identifier,
// sequence and payload, addresses swapped, TTL 64, both checksums computed.
// Nothing when the packet is not such a request.
std::optional<Bytes> echoReplyFrom(std::span<const uint8_t> packet, Address gateway);

}  // namespace kestro::relay
