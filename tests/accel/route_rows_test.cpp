#include "accel/route_rows.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(RouteRows, PrefixLengthTable) {
  const struct {
    int32_t prefix;
    const char* mask;
  } rows[] = {
      {8, "255.0.0.0"},        {9, "255.128.0.0"},     {16, "255.255.0.0"},      {20, "255.255.240.0"},
      {24, "255.255.255.0"},   {30, "255.255.255.252"}, {32, "255.255.255.255"}, {31, "255.255.255.254"},
      {0, "255.255.255.0"},    {5, "255.255.255.0"},   {7, "255.255.255.0"},     {33, "255.255.255.0"},
      {40, "255.255.255.0"},   {-1, "255.255.255.0"},
  };
  for (const auto& row : rows) EXPECT_EQ(prefixLengthMask(row.prefix), row.mask) << row.prefix;
}

TEST(RouteRows, EveryFieldOfARow) {
  const ForwardRow row = makeRouteRow(0x0A0B0C0D, 0x00FFFFFF, 0x01004D0A, 17, 25);
  ForwardRow expected;
  expected.forwardDest = 0x0A0B0C0D;
  expected.forwardMask = 0x00FFFFFF;
  expected.forwardPolicy = 0;
  expected.forwardNextHop = 0x01004D0A;
  expected.forwardIfIndex = 17;
  expected.forwardType = 4;
  expected.forwardProto = 3;
  expected.forwardAge = 248;
  expected.forwardNextHopAS = 0;
  expected.forwardMetric1 = 25;
  expected.forwardMetric2 = 0xFFFFFFFF;
  expected.forwardMetric3 = 0xFFFFFFFF;
  expected.forwardMetric4 = 0xFFFFFFFF;
  expected.forwardMetric5 = 0xFFFFFFFF;
  EXPECT_EQ(row, expected);
}

TEST(RouteRows, AdapterFoundByExactAddressAndMaskLastMatchWins) {
  const std::vector<AdapterAddressEntry> entries = {
      {3, "192.168.1.5", "255.255.255.0"},
      {7, "10.77.0.2", "255.255.0.0"},
      {9, "10.77.0.2", "255.255.255.0"},
      {11, "10.77.0.2", "255.255.255.0"},
  };
  EXPECT_EQ(findAdapterIndex(entries, "10.77.0.2", "255.255.255.0"), 11u);
  EXPECT_EQ(findAdapterIndex(entries, "10.77.0.2", "255.255.0.0"), 7u);
  EXPECT_EQ(findAdapterIndex(entries, "10.77.0.20", "255.255.255.0"), std::nullopt);
  EXPECT_EQ(findAdapterIndex(entries, "", "255.255.255.0"), std::nullopt);
  EXPECT_EQ(findAdapterIndex(entries, "192.168.1.5", ""), std::nullopt);
  EXPECT_EQ(findAdapterIndex({}, "10.77.0.2", "255.255.255.0"), std::nullopt);
}

}  // namespace
}  // namespace kestro
