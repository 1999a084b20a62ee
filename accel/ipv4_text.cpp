#include "accel/ipv4_text.h"

namespace kestro {

uint32_t hostOrder(uint32_t network) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&network);
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

uint32_t networkOrder(uint32_t host) {
  uint32_t network = 0;
  auto* bytes = reinterpret_cast<unsigned char*>(&network);
  bytes[0] = static_cast<unsigned char>(host >> 24);
  bytes[1] = static_cast<unsigned char>(host >> 16);
  bytes[2] = static_cast<unsigned char>(host >> 8);
  bytes[3] = static_cast<unsigned char>(host);
  return network;
}

std::optional<uint32_t> parseDottedAddress(std::wstring_view text) {
  uint32_t host = 0;
  size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (at >= text.size() || text[at] != L'.') return std::nullopt;
      ++at;
    }
    const size_t start = at;
    uint32_t value = 0;
    while (at < text.size() && text[at] >= L'0' && text[at] <= L'9' && at - start < 3) {
      value = value * 10 + static_cast<uint32_t>(text[at] - L'0');
      ++at;
    }
    if (at == start || value > 255) return std::nullopt;
    host = (host << 8) | value;
  }
  if (at != text.size()) return std::nullopt;
  return networkOrder(host);
}

std::wstring dottedAddressText(uint32_t address) {
  const uint32_t host = hostOrder(address);
  return std::to_wstring(host >> 24) + L"." + std::to_wstring((host >> 16) & 0xFF) + L"." +
         std::to_wstring((host >> 8) & 0xFF) + L"." + std::to_wstring(host & 0xFF);
}

}  // namespace kestro
