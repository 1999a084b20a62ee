// IPv4 addresses as the route files and the figures write and read them:
// dotted text, network order (as the system's rows hold them) and host order
// (for arithmetic on ranges).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestro {

uint32_t hostOrder(uint32_t network);
uint32_t networkOrder(uint32_t host);

// Four decimal numbers 0 to 255 joined by dots, nothing else (no hexadecimal,
// no short forms, no spaces), in network order; nothing otherwise.
std::optional<uint32_t> parseDottedAddress(std::wstring_view text);

// A network-order address as dotted text.
std::wstring dottedAddressText(uint32_t address);

}  // namespace kestro
