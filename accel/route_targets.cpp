#include "accel/route_targets.h"

#include "accel/ipv4_text.h"

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
