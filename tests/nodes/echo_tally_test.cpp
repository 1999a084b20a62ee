#include "nodes/echo_tally.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestro {
namespace {

constexpr EchoOutcome kLost{};
EchoOutcome reply(uint32_t ms) { return {true, ms}; }

struct NodeCase {
  const char* name;
  std::vector<EchoOutcome> echoes;
  int32_t expected;
};

TEST(EchoTally, ThreeEchoAverage) {
  const NodeCase cases[] = {
      {"three replies truncate", {reply(20), reply(30), reply(41)}, 30},
      {"one failure weighs 999", {kLost, reply(30), reply(30)}, 353},
      {"two failures", {kLost, kLost, reply(10)}, 669},
      {"all failed", {kLost, kLost, kLost}, kLatencyUnreachable},
      {"zero ms replies", {reply(0), reply(0), reply(0)}, 0},
  };
  for (const NodeCase& c : cases) EXPECT_EQ(nodeLatencyFrom(c.echoes), c.expected) << c.name;
}

TEST(EchoTally, HundredEchoStatistics) {
  std::vector<EchoOutcome> echoes(95, reply(40));
  echoes.insert(echoes.begin() + 10, 5, kLost);
  const LinkQuality quality = linkQualityFrom(echoes);
  EXPECT_FLOAT_EQ(quality.averageMs, 40.0f);
  EXPECT_FLOAT_EQ(quality.loss, 0.05f);

  std::vector<EchoOutcome> mixed(50, reply(10));
  mixed.insert(mixed.end(), 50, reply(31));
  EXPECT_FLOAT_EQ(linkQualityFrom(mixed).averageMs, 20.5f);
  EXPECT_FLOAT_EQ(linkQualityFrom(mixed).loss, 0.0f);
}

TEST(EchoTally, SilentLinkReadsAsBadInsteadOfNotANumber) {
  const std::vector<EchoOutcome> echoes(100, kLost);
  const LinkQuality quality = linkQualityFrom(echoes);
  EXPECT_EQ(quality.averageMs, 1000.0f);
  EXPECT_EQ(quality.loss, 1.0f);
}

}  // namespace
}  // namespace kestro
