// What a forged or careless acc.php reply may not put in the forward table.
#include "accel/route_targets.h"

#include <gtest/gtest.h>

#include "base/text_convert.h"

namespace kestro {
namespace {

uint32_t dotted(const wchar_t* text) { return parseDottedAddress(text).value(); }

TEST(RouteTargets, OnlyFourDecimalNumbersAreAnAddress) {
  EXPECT_EQ(parseDottedAddress(L"198.51.100.7"), dotted(L"198.51.100.7"));
  EXPECT_EQ(parseDottedAddress(L"0.0.0.0"), 0u);
  for (const wchar_t* text : {L"", L"1", L"1.2.3", L"1.2.3.4.5", L"256.1.1.1", L"0x7f.0.0.1", L"1.2.3.4 ", L" 1.2.3.4",
                              L"1..2.3", L"1.2.3.0004", L"-1.2.3.4", L"例.2.3.4"}) {
    EXPECT_EQ(parseDottedAddress(text), std::nullopt) << toUtf8(text);
  }
}

TEST(RouteTargets, EachHarmfulKindIsRefusedWithItsLine) {
  const uint32_t node = dotted(L"203.0.113.20");
  const uint32_t service = dotted(L"192.0.2.80");
  const struct {
    RouteTarget target;
    const wchar_t* line;  // empty: accepted
  } rows[] = {
      {{L"198.51.100.30", 28}, L""},
      {{L"203.0.113.21", 32}, L""},
      {{L"game.example", 32}, L"路由目标“game.example/32”不是有效的IPv4地址，已忽略"},
      {{L"0.0.0.0", 8}, L"路由目标“0.0.0.0/8”会使全部网络流量进入加速通道，已忽略"},
      {{L"0.0.0.0", 0}, L"路由目标“0.0.0.0/0”会使全部网络流量进入加速通道，已忽略"},
      {{L"0.1.2.3", 8}, L"路由目标“0.1.2.3/8”会使全部网络流量进入加速通道，已忽略"},
      {{L"203.0.0.0", 8}, L"路由目标“203.0.0.0/8”包含加速节点的地址，已忽略"},
      {{L"203.0.113.20", 32}, L"路由目标“203.0.113.20/32”包含加速节点的地址，已忽略"},
      {{L"203.0.113.0", 5}, L"路由目标“203.0.113.0/5”包含加速节点的地址，已忽略"},  // taken as /24
      {{L"192.0.2.0", 24}, L"路由目标“192.0.2.0/24”包含泓迈中心服务器的地址，已忽略"},
      {{L"127.0.0.1", 32}, L"路由目标“127.0.0.1/32”是本机回环地址，已忽略"},
      {{L"126.0.0.0", 7}, L""},  // taken as 126.0.0.0/24
      {{L"169.254.10.0", 24}, L"路由目标“169.254.10.0/24”是链路本地地址，已忽略"},
      {{L"224.0.0.0", 8}, L"路由目标“224.0.0.0/8”是组播地址，已忽略"},
      {{L"239.1.2.3", 32}, L"路由目标“239.1.2.3/32”是组播地址，已忽略"},
      {{L"255.255.255.255", 32}, L"路由目标“255.255.255.255/32”是广播地址，已忽略"},
      {{L"255.0.0.0", 8}, L"路由目标“255.0.0.0/8”是广播地址，已忽略"},
  };
  for (const auto& row : rows) {
    const RouteTargetCheck check = checkRouteTargets({row.target}, node, service);
    const std::wstring line = check.refusals.empty() ? L"" : check.refusals.front();
    EXPECT_EQ(line, row.line) << toUtf8(row.target.address) << "/" << row.target.prefixLength;
    EXPECT_EQ(check.accepted.size(), row.line[0] == L'\0' ? 1u : 0u) << toUtf8(row.target.address);
  }
}

TEST(RouteTargets, AcceptedTargetsKeepTheirOrderAddressAndMask) {
  const RouteTargetCheck check =
      checkRouteTargets({{L"198.51.100.30", 28}, {L"10.0.0.0", 33}, {L"172.16.5.0", 12}}, std::nullopt, std::nullopt);
  ASSERT_EQ(check.accepted.size(), 3u);
  EXPECT_TRUE(check.refusals.empty());
  EXPECT_EQ(check.accepted[0].address, dotted(L"198.51.100.30"));
  EXPECT_EQ(check.accepted[0].mask, dotted(L"255.255.255.240"));
  EXPECT_EQ(check.accepted[1].mask, dotted(L"255.255.255.0"));  // 33 is taken as 24
  EXPECT_EQ(check.accepted[1].prefixLength, 24);
  EXPECT_EQ(check.accepted[2].mask, dotted(L"255.240.0.0"));
}

TEST(RouteTargets, TargetsPastTheCapAreRefusedInOneLine) {
  std::vector<RouteTarget> targets;
  for (int i = 0; i < 700; ++i) targets.push_back({L"198.51." + std::to_wstring(i / 256) + L"." + std::to_wstring(i % 256), 32});
  targets.insert(targets.begin(), {L"127.0.0.1", 32});  // refused, so it does not count against the cap
  const RouteTargetCheck check = checkRouteTargets(targets, std::nullopt, std::nullopt);
  EXPECT_EQ(check.accepted.size(), kMaxRouteTargets);
  ASSERT_EQ(check.refusals.size(), 2u);
  EXPECT_EQ(check.refusals[1], L"路由目标超过512条，其余188条已忽略");
}

}  // namespace
}  // namespace kestro
