#include "accel/route_targets.h"

namespace kestro {
namespace {

// Host-order network and prefix length.
struct Network {
  uint32_t base;
  int32_t prefix;
};

uint32_t maskOf(int32_t prefix) { return prefix == 0 ? 0 : 0xFFFFFFFFu << (32 - prefix); }

// Two networks overlap when the wider one holds the other's base.
bool overlaps(Network a, Network b) {
  const uint32_t mask = maskOf(a.prefix < b.prefix ? a.prefix : b.prefix);
  return (a.base & mask) == (b.base & mask);
}

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

// Ranges no game server lies in, with what the user is told.
struct ReservedRange {
  Network network;
  const wchar_t* reason;
};
constexpr ReservedRange kReserved[] = {
    {{0x7F000000u, 8}, L"是本机回环地址"},     // 127.0.0.0/8
    {{0xA9FE0000u, 16}, L"是链路本地地址"},    // 169.254.0.0/16
    {{0xE0000000u, 4}, L"是组播地址"},         // 224.0.0.0/4
    {{0xFFFFFFFFu, 32}, L"是广播地址"},        // 255.255.255.255
};

std::wstring shown(const RouteTarget& target) {
  return L"路由目标“" + target.address + L"/" + std::to_wstring(target.prefixLength) + L"”";
}

}  // namespace

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

RouteTargetCheck checkRouteTargets(const std::vector<RouteTarget>& targets, std::optional<uint32_t> node,
                                   std::optional<uint32_t> service, size_t cap) {
  RouteTargetCheck check;
  size_t beyondCap = 0;
  for (const RouteTarget& target : targets) {
    if (check.accepted.size() == cap) {
      ++beyondCap;
      continue;
    }
    const std::optional<uint32_t> address = parseDottedAddress(target.address);
    if (!address) {
      check.refusals.push_back(shown(target) + L"不是有效的IPv4地址，已忽略");
      continue;
    }
    // As the route rows take it: 8 to 32 bits, any other length 24.
    const int32_t prefix = target.prefixLength >= 8 && target.prefixLength <= 32 ? target.prefixLength : 24;
    const Network network{hostOrder(*address) & maskOf(prefix), prefix};
    const wchar_t* reason = nullptr;
    if (network.base == 0) reason = L"会使全部网络流量进入加速通道";
    else if (node && overlaps(network, {hostOrder(*node), 32})) reason = L"包含加速节点的地址";
    else if (service && overlaps(network, {hostOrder(*service), 32})) reason = L"包含泓迈中心服务器的地址";
    for (const ReservedRange& reserved : kReserved) {
      if (reason == nullptr && overlaps(network, reserved.network)) reason = reserved.reason;
    }
    if (reason != nullptr) {
      check.refusals.push_back(shown(target) + reason + L"，已忽略");
      continue;
    }
    check.accepted.push_back({*address, networkOrder(maskOf(prefix)), prefix});
  }
  if (beyondCap > 0) {
    check.refusals.push_back(L"路由目标超过" + std::to_wstring(cap) + L"条，其余" + std::to_wstring(beyondCap) +
                             L"条已忽略");
  }
  return check;
}

}  // namespace kestro
