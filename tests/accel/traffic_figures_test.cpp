#include "accel/traffic_figures.h"

#include <gtest/gtest.h>

#include "accel/link_report.h"

namespace kestro {
namespace {

TEST(TrafficFigures, FirstSecondAfterZeroGivesRatesTotalsAndPeak) {
  TrafficCounters counters;
  addTrafficReport(counters, 0, 0);
  const TrafficSample sample = addTrafficReport(counters, 1000, 500);
  EXPECT_EQ(sample.downRate, 8000);
  EXPECT_EQ(sample.upRate, 4000);
  EXPECT_EQ(rateText(sample.downRate), L"7.813千位/秒(KBits/S)");
  EXPECT_EQ(rateText(sample.upRate), L"3.906千位/秒(KBits/S)");
  EXPECT_EQ(byteText(sample.downTotal), L"1000字节(Bytes)");
  EXPECT_EQ(byteText(sample.upTotal), L"500字节(Bytes)");
  EXPECT_TRUE(sample.newPeak);
  EXPECT_EQ(sample.peakRate, 8000);
}

TEST(TrafficFigures, PeakRisesOnlyWhenStrictlyHigher) {
  TrafficCounters counters;
  EXPECT_TRUE(addTrafficReport(counters, 100, 0).newPeak);  // 800 bit/s down
  const TrafficSample same = addTrafficReport(counters, 200, 0);
  EXPECT_FALSE(same.newPeak);
  EXPECT_EQ(same.peakRate, 800);
  const TrafficSample upHigher = addTrafficReport(counters, 200, 1000);  // up 8000 bit/s, down 0
  EXPECT_TRUE(upHigher.newPeak);
  EXPECT_EQ(upHigher.peakRate, 8000);
  EXPECT_FALSE(addTrafficReport(counters, 210, 1010).newPeak);
}

TEST(TrafficFigures, CountersPastTwoAndFourGigabytesStayMeaningful) {
  TrafficCounters counters;
  addTrafficReport(counters, 0xFFFFFF00u, 0x7FFFFFF0u);
  // The up counter passes 2^31 and the down counter wraps past 2^32.
  const TrafficSample sample = addTrafficReport(counters, 0x00000100u, 0x80000010u);
  EXPECT_EQ(sample.downRate, 0x200 * 8);
  EXPECT_EQ(sample.upRate, 0x20 * 8);
  EXPECT_EQ(sample.downTotal, 0x100000100LL);
  EXPECT_EQ(sample.upTotal, 0x80000010LL);
}

TEST(TrafficFigures, TextsChangeUnitsAtTheirBounds) {
  struct Row {
    int64_t value;
    const wchar_t* rate;
    const wchar_t* bytes;
  };
  const Row rows[] = {
      {-8, L"-8位/秒(Bits/S)", L"-8字节(Bytes)"},
      {1023, L"1023位/秒(Bits/S)", L"1023字节(Bytes)"},
      {1024, L"1.000千位/秒(KBits/S)", L"1.000千字节(KBytes)"},
      {1048576, L"1.000兆位/秒(MBits/S)", L"1.000兆字节(MBytes)"},
      {104857600, L"100.000兆位/秒(MBits/S)", L"100.000兆字节(MBytes)"},
      {109051903, L"104.000兆位/秒(MBits/S)", L"104.000兆字节(MBytes)"},
      {109051904, L"104.000兆位/秒(MBits/S)", L"0.102吉字节(GBytes)"},
      {209715200, L"200.000兆位/秒(MBits/S)", L"0.195吉字节(GBytes)"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(rateText(row.value), row.rate) << row.value;
    EXPECT_EQ(byteText(row.value), row.bytes) << row.value;
  }
}

TEST(LinkReport, BoundsAreStrictAndLossKeepsTwoDecimalsOfAPercent) {
  EXPECT_FALSE(linkIsDegraded(20.0f, 0.0f));
  EXPECT_FALSE(linkIsDegraded(50.0f, 0.0f));
  EXPECT_TRUE(linkIsDegraded(50.1f, 0.0f));
  EXPECT_FALSE(linkIsDegraded(10.0f, 0.01f));
  EXPECT_TRUE(linkIsDegraded(10.0f, 0.02f));
  EXPECT_DOUBLE_EQ(lossPercentFromReport(lossToReport(0.0123f)), 1.23);
  EXPECT_DOUBLE_EQ(lossPercentFromReport(lossToReport(1.0f)), 100.0);
}

}  // namespace
}  // namespace kestro
