#include "standins/game/round_trips.h"

#include <gtest/gtest.h>

namespace kestro::game {
namespace {

TEST(StandInGameReport, ALineReadsBackAsItWasWritten) {
  const RoundTrips udp{"udp", "192.0.2.10:9000", 5, {41.25, 39.0, 160.5, 40.0}, 2560, 2048};
  EXPECT_DOUBLE_EQ(udp.medianMs(), 40.625);
  const std::string line = reportLine(udp);
  EXPECT_EQ(line, "udp 192.0.2.10:9000 rounds 5 answered 4 median 40.6 ms sent 2560 received 2048 bytes");
  EXPECT_EQ(timesLine(udp), "udp round trips (ms): 41.2 39.0 160.5 40.0");

  const auto read = readReportLine(line);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->trips.protocol, "udp");
  EXPECT_EQ(read->trips.server, "192.0.2.10:9000");
  EXPECT_EQ(read->trips.rounds, 5);
  EXPECT_EQ(read->answered, 4);
  EXPECT_DOUBLE_EQ(read->medianMs, 40.6);
  EXPECT_EQ(read->trips.sentBytes, 2560u);
  EXPECT_EQ(read->trips.receivedBytes, 2048u);

  const RoundTrips unanswered{"tcp", "192.0.2.10:9000", 3, {}, 512, 0};
  EXPECT_EQ(reportLine(unanswered), "tcp 192.0.2.10:9000 rounds 3 answered 0 median 0.0 ms sent 512 received 0 bytes");
  EXPECT_EQ((RoundTrips{"udp", "x", 1, {7.0}}.medianMs()), 7.0);
}

TEST(StandInGameReport, OtherLinesAreNotReports) {
  for (const char* line : {"", "udp round trips (ms): 41.2", "icmp 192.0.2.10:9000 rounds 5 answered 4 median 40.6 ms sent 1 received 1 bytes",
                           "udp 192.0.2.10:9000 rounds 5 answered 4 median 40.6 ms sent 1 received 1",
                           "udp 192.0.2.10:9000 rounds 5 answered 4 median 40.6 ms sent 1 received 1 bytes extra",
                           "udp 192.0.2.10:9000 rounds five answered 4 median 40.6 ms sent 1 received 1 bytes"}) {
    EXPECT_FALSE(readReportLine(line).has_value()) << line;
  }
}

}  // namespace
}  // namespace kestro::game
