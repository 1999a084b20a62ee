#include "standins/relay/packet.h"

#include <algorithm>

namespace kestro::relay {
namespace {

constexpr uint8_t kEchoRequest = 8;
constexpr uint8_t kEchoReply = 0;
constexpr size_t kIpv4MinimumHeader = 20;
constexpr size_t kIcmpEchoHeader = 8;

uint16_t read16(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

uint32_t read32(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint32_t>(read16(bytes, at)) << 16 | read16(bytes, at + 2);
}

void write16(Bytes& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value >> 8);
  bytes[at + 1] = static_cast<uint8_t>(value);
}

void write32(Bytes& bytes, size_t at, uint32_t value) {
  write16(bytes, at, static_cast<uint16_t>(value >> 16));
  write16(bytes, at + 2, static_cast<uint16_t>(value));
}

}  // namespace

std::optional<Ipv4Header> parseIpv4(std::span<const uint8_t> packet) {
  if (packet.size() < kIpv4MinimumHeader || packet[0] >> 4 != 4) return std::nullopt;
  Ipv4Header header;
  header.headerLength = static_cast<size_t>(packet[0] & 0x0f) * 4;
  header.totalLength = read16(packet, 2);
  if (header.headerLength < kIpv4MinimumHeader || header.totalLength < header.headerLength ||
      header.totalLength > packet.size()) {
    return std::nullopt;
  }
  header.protocol = packet[9];
  header.source = read32(packet, 12);
  header.destination = read32(packet, 16);
  return header;
}

std::optional<TcpSegment> tcpSegment(std::span<const uint8_t> packet, const Ipv4Header& header) {
  const bool firstFragment = (read16(packet, 6) & 0x1fff) == 0;
  if (header.protocol != kProtocolTcp || !firstFragment || header.totalLength < header.headerLength + 14) {
    return std::nullopt;
  }
  return TcpSegment{read16(packet, header.headerLength), read16(packet, header.headerLength + 2),
                    packet[header.headerLength + 13]};
}

uint16_t internetChecksum(std::span<const uint8_t> bytes) {
  uint32_t sum = 0;
  for (size_t at = 0; at + 1 < bytes.size(); at += 2) sum += read16(bytes, at);
  if (bytes.size() % 2 != 0) sum += static_cast<uint32_t>(bytes.back()) << 8;
  while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}

std::optional<Bytes> echoReplyFrom(std::span<const uint8_t> packet, Address gateway) {
  const auto request = parseIpv4(packet);
  if (!request || request->protocol != kProtocolIcmp || request->destination != gateway ||
      (read16(packet, 6) & 0x3fff) != 0 || request->totalLength < request->headerLength + kIcmpEchoHeader ||
      packet[request->headerLength] != kEchoRequest) {
    return std::nullopt;
  }
  const auto icmp = packet.subspan(request->headerLength, request->totalLength - request->headerLength);
  Bytes reply(kIpv4MinimumHeader + icmp.size());
  reply[0] = 0x45;
  reply[1] = packet[1];
  write16(reply, 2, static_cast<uint16_t>(reply.size()));
  write16(reply, 4, read16(packet, 4));
  reply[8] = 64;
  reply[9] = kProtocolIcmp;
  write32(reply, 12, request->destination);
  write32(reply, 16, request->source);
  write16(reply, 10, internetChecksum(std::span(reply).first(kIpv4MinimumHeader)));
  std::copy(icmp.begin(), icmp.end(), reply.begin() + kIpv4MinimumHeader);
  reply[kIpv4MinimumHeader] = kEchoReply;
  reply[kIpv4MinimumHeader + 1] = 0;
  write16(reply, kIpv4MinimumHeader + 2, 0);
  write16(reply, kIpv4MinimumHeader + 2, internetChecksum(std::span(reply).subspan(kIpv4MinimumHeader)));
  return reply;
}

}  // namespace kestro::relay
