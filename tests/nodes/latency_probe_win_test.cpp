// The probes through the scripted ICMP seam, and one run against Wine's real
// ICMP echo to 127.0.0.1 (the only real destination any test uses).
#include "nodes/latency_probe.h"

#include <gtest/gtest.h>

#include "tests/nodes/scripted_icmp_win.h"

namespace kestro {
namespace {

using test::ScriptedEcho;
using test::ScriptedIcmp;

TEST(LatencyProbe, SendsTheFixedRequestOneAfterAnother) {
  ScriptedIcmp icmp;
  icmp.script("127.0.0.21", {ScriptedEcho::reply(20), ScriptedEcho::reply(30), ScriptedEcho::reply(41)});
  const IcmpHandle handle;
  EXPECT_EQ(probeNodeLatency(L"127.0.0.21", handle.get()), 30);
  const auto calls = icmp.calls();
  ASSERT_EQ(calls.size(), 3u);
  for (const test::EchoCall& call : calls) {
    EXPECT_EQ(call.destination, inet_addr("127.0.0.21"));
    EXPECT_EQ(call.payload, std::string("Data Buffer", 12)) << "the text with its zero byte";
    EXPECT_EQ(call.timeoutMs, 1000u);
    EXPECT_EQ(call.replySize, sizeof(ICMP_ECHO_REPLY) + 12 + 8);
    EXPECT_FALSE(call.withOptions);
    EXPECT_FALSE(call.withEvent);
  }
}

TEST(LatencyProbe, ThreeEchoResults) {
  const struct {
    const char* name;
    std::vector<ScriptedEcho> echoes;
    int32_t expected;
  } cases[] = {
      {"a time-out weighs 999", {ScriptedEcho::timeOut(), ScriptedEcho::reply(30), ScriptedEcho::reply(30)}, 353},
      {"an error status weighs 999", {ScriptedEcho::reply(10), ScriptedEcho::errorStatus(), ScriptedEcho::timeOut()}, 669},
      {"nothing answered", {ScriptedEcho::timeOut(), ScriptedEcho::errorStatus(), ScriptedEcho::timeOut()}, -5},
  };
  for (const auto& c : cases) {
    ScriptedIcmp icmp;
    icmp.script("127.0.0.22", c.echoes);
    const IcmpHandle handle;
    EXPECT_EQ(probeNodeLatency(L"127.0.0.22", handle.get()), c.expected) << c.name;
  }
}

TEST(LatencyProbe, AnAddressThatIsNotDottedIpv4FailsWithoutAnEcho) {
  // inet_addr makes the all-ones broadcast address of such text: nothing is sent there.
  ScriptedIcmp icmp;
  const IcmpHandle handle;
  EXPECT_EQ(probeNodeLatency(L"node-7.invalid", handle.get()), -5);
  EXPECT_EQ(probeNodeLatency(L"255.255.255.255", handle.get()), -5);
  float average = 0, loss = 0;
  EXPECT_TRUE(probeLinkQuality(L"node-7.invalid", handle.get(), average, loss));
  EXPECT_EQ(loss, 1.0f);
  EXPECT_TRUE(icmp.calls().empty());
}

TEST(LatencyProbe, InvalidHandle) {
  ScriptedIcmp icmp;
  icmp.failOpen();
  const IcmpHandle handle;
  EXPECT_FALSE(handle.valid());
  EXPECT_EQ(probeNodeLatency(L"127.0.0.1", handle.get()), -1);
  float average = -7.0f;
  float loss = -7.0f;
  EXPECT_FALSE(probeLinkQuality(L"127.0.0.1", handle.get(), average, loss));
  EXPECT_EQ(average, -7.0f) << "nothing written";
  EXPECT_EQ(loss, -7.0f);
  EXPECT_TRUE(icmp.calls().empty());
}

TEST(LatencyProbe, HundredEchoStatistics) {
  ScriptedIcmp icmp;
  std::vector<ScriptedEcho> echoes(95, ScriptedEcho::reply(40));
  echoes.insert(echoes.begin() + 50, 3, ScriptedEcho::timeOut());
  echoes.insert(echoes.begin() + 10, 2, ScriptedEcho::errorStatus());
  icmp.script("127.0.0.23", echoes);
  const IcmpHandle handle;
  float average = 0.0f;
  float loss = 0.0f;
  ASSERT_TRUE(probeLinkQuality(L"127.0.0.23", handle.get(), average, loss));
  EXPECT_FLOAT_EQ(average, 40.0f);
  EXPECT_FLOAT_EQ(loss, 0.05f);
  EXPECT_EQ(icmp.calls().size(), 100u) << "lost requests never cut the probe short";
}

TEST(LatencyProbe, HundredEchoWithNothingAnsweredReadsAsABadLink) {
  ScriptedIcmp icmp;
  const IcmpHandle handle;
  float average = 0.0f;
  float loss = 0.0f;
  ASSERT_TRUE(probeLinkQuality(L"127.0.0.24", handle.get(), average, loss));
  EXPECT_EQ(average, 1000.0f);
  EXPECT_EQ(loss, 1.0f);
}

TEST(LatencyProbe, HandleIsClosedOnceWhenItsOwnerEnds) {
  ScriptedIcmp icmp;
  { const IcmpHandle handle; }
  EXPECT_EQ(icmp.opened(), 1);
  EXPECT_EQ(icmp.closed(), 1);
}

// Wine sends these through a real ICMP socket (raw when running as root).
TEST(LatencyProbeLoopback, RealEchoesTo127001) {
  if (const std::string reason = test::loopbackEchoUnavailable(); !reason.empty()) GTEST_SKIP() << reason;
  const IcmpHandle handle;
  ASSERT_TRUE(handle.valid());
  const int32_t latency = probeNodeLatency(L"127.0.0.1", handle.get());
  EXPECT_GE(latency, 0);
  EXPECT_LT(latency, 999) << "every echo to loopback is answered";
  float average = -1.0f;
  float loss = -1.0f;
  ASSERT_TRUE(probeLinkQuality(L"127.0.0.1", handle.get(), average, loss));
  EXPECT_EQ(loss, 0.0f);
  EXPECT_GE(average, 0.0f);
  EXPECT_LT(average, 999.0f);
}

}  // namespace
}  // namespace kestro
