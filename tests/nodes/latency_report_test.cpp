// Ownership of latency reports; a report lost on a failed post would show as a
// leak under the sanitizers.
#include "nodes/latency_report.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(LatencyReport, ReceiverOwnsADeliveredReport) {
  LatencyReport* received = nullptr;
  EXPECT_TRUE(deliverLatencyReport({7, 353}, [&](LatencyReport* report) {
    received = report;
    return true;
  }));
  const std::unique_ptr<LatencyReport> owned = adoptLatencyReport(reinterpret_cast<intptr_t>(received));
  ASSERT_NE(owned, nullptr);
  EXPECT_EQ(owned->nodeId, 7);
  EXPECT_EQ(owned->latency, 353);
}

TEST(LatencyReport, FailedPostFreesTheReport) {
  int attempts = 0;
  EXPECT_FALSE(deliverLatencyReport({9, -5}, [&](LatencyReport* report) {
    ++attempts;
    EXPECT_EQ(report->latency, -5);
    return false;
  }));
  EXPECT_EQ(attempts, 1);
}

}  // namespace
}  // namespace kestro
