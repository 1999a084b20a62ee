// The three-echo probe of many nodes at once against scripted echoes: the
// same results as the one-node probe, echoes that do not wait for replies,
// the bound on echoes under way, and an invalid handle.
#include "nodes/parallel_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <mutex>
#include <new>

#include "nodes/latency_probe.h"
#include "tests/nodes/scripted_icmp_win.h"

namespace kestro {
namespace {

using test::ScriptedEcho;
using test::ScriptedIcmp;

struct Recorded {
  std::mutex mutex;
  std::vector<std::pair<char, size_t>> events;  // 's' started, 'f' finished
  std::map<size_t, int32_t> results;

  ProbeEvents events_() {
    return {[this](size_t index) {
              std::lock_guard lock(mutex);
              events.push_back({'s', index});
            },
            [this](size_t index, int32_t latency) {
              std::lock_guard lock(mutex);
              events.push_back({'f', index});
              results[index] = latency;
            }};
  }
};

struct Case {
  const char* name;
  std::vector<ScriptedEcho> echoes;
  int32_t expected;
};

const std::vector<Case>& edgeCases() {
  static const std::vector<Case> cases = {
      {"three replies", {ScriptedEcho::reply(10), ScriptedEcho::reply(20), ScriptedEcho::reply(30)}, 20},
      {"integer division", {ScriptedEcho::reply(1), ScriptedEcho::reply(1), ScriptedEcho::reply(2)}, 1},
      {"zero ms", {ScriptedEcho::reply(0)}, 0},
      {"one time-out weighs 999", {ScriptedEcho::timeOut(), ScriptedEcho::reply(10), ScriptedEcho::reply(20)}, 343},
      {"an error status is a failure", {ScriptedEcho::reply(30), ScriptedEcho::errorStatus(), ScriptedEcho::reply(30)}, 353},
      {"two failures", {ScriptedEcho::timeOut(), ScriptedEcho::reply(12), ScriptedEcho::errorStatus()}, 670},
      {"all lost", {ScriptedEcho::timeOut()}, kLatencyUnreachable},
      {"all errors", {ScriptedEcho::errorStatus()}, kLatencyUnreachable},
  };
  return cases;
}

std::string addressOf(size_t index) { return "127.0.1." + std::to_string(index + 1); }

// `count` nodes at addressOf(0) on, each answering the echoes `echoesOf` gives for its index.
std::vector<ProbeTarget> scriptedNodes(ScriptedIcmp& icmp, size_t count,
                                       const std::function<std::vector<ScriptedEcho>(size_t)>& echoesOf) {
  std::vector<ProbeTarget> targets;
  for (size_t i = 0; i < count; ++i) {
    icmp.script(addressOf(i).c_str(), echoesOf(i));
    const std::string address = addressOf(i);
    targets.push_back({static_cast<int32_t>(i + 1), std::wstring(address.begin(), address.end())});
  }
  return targets;
}

TEST(ParallelRefresh, ResultsEqualTheOneNodeProbeForEveryEdgeCase) {
  std::vector<int32_t> sequential;
  {
    ScriptedIcmp icmp;
    for (size_t i = 0; i < edgeCases().size(); ++i) icmp.script(addressOf(i).c_str(), edgeCases()[i].echoes);
    const IcmpHandle handle;
    for (size_t i = 0; i < edgeCases().size(); ++i) {
      const std::string address = addressOf(i);
      sequential.push_back(probeNodeLatency(std::wstring(address.begin(), address.end()), handle.get()));
    }
  }
  ScriptedIcmp icmp;
  const auto targets = scriptedNodes(icmp, edgeCases().size(), [](size_t i) { return edgeCases()[i].echoes; });
  Recorded recorded;
  const IcmpHandle handle;
  probeNodesInParallel(targets, handle.get(), recorded.events_());
  for (size_t i = 0; i < edgeCases().size(); ++i) {
    SCOPED_TRACE(edgeCases()[i].name);
    EXPECT_EQ(sequential[i], edgeCases()[i].expected);
    EXPECT_EQ(recorded.results.at(i), sequential[i]);
  }
  EXPECT_EQ(icmp.calls().size(), 3 * edgeCases().size());
}

TEST(ParallelRefresh, EachNodeStartsOnceAndFinishesAfterItsStart) {
  ScriptedIcmp icmp;
  const auto targets =
      scriptedNodes(icmp, 40, [](size_t i) { return std::vector{ScriptedEcho::held(static_cast<ULONG>(i % 5) * 20)}; });
  Recorded recorded;
  const IcmpHandle handle;
  probeNodesInParallel(targets, handle.get(), recorded.events_());
  ASSERT_EQ(recorded.events.size(), 2 * targets.size());
  std::map<size_t, int> seen;
  for (const auto& [kind, index] : recorded.events) {
    if (kind == 's') {
      EXPECT_EQ(seen[index], 0) << "node " << index << " started twice or after its end";
      seen[index] = 1;
    } else {
      EXPECT_EQ(seen[index], 1) << "node " << index << " finished before it started";
      seen[index] = 2;
    }
  }
  EXPECT_EQ(seen.size(), targets.size());
}

TEST(ParallelRefresh, TheNextEchoDoesNotWaitForTheReplyBeforeIt) {
  ScriptedIcmp icmp;
  icmp.script("127.0.1.1", {ScriptedEcho::held(700)});
  Recorded recorded;
  const IcmpHandle handle;
  probeNodesInParallel({{1, L"127.0.1.1"}}, handle.get(), recorded.events_());
  const auto calls = icmp.calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_LT(calls[1].sentAt, calls[0].answeredAt);
  EXPECT_LT(calls[2].sentAt, calls[0].answeredAt);
  EXPECT_GE(calls[1].sentAt, calls[0].sentAt + kEchoSpacingMs - 20) << "spaced, not all at once";
  EXPECT_EQ(recorded.results.at(0), 700);
}

// The first echoes of many nodes leave spread over one spacing, not at once.
TEST(ParallelRefresh, TheNodesStartSpreadOverOneSpacing) {
  ScriptedIcmp icmp;
  const auto targets = scriptedNodes(icmp, 40, [](size_t) { return std::vector{ScriptedEcho::reply(5)}; });
  Recorded recorded;
  const IcmpHandle handle;
  probeNodesInParallel(targets, handle.get(), recorded.events_());
  const auto calls = icmp.calls();
  ASSERT_EQ(calls.size(), 3 * targets.size());
  const auto [first, last] = std::minmax_element(calls.begin(), calls.begin() + static_cast<long>(targets.size()),
                                                 [](const auto& a, const auto& b) { return a.sentAt < b.sentAt; });
  EXPECT_GE(last->sentAt - first->sentAt, kEchoSpacingMs / 2) << "the starts came in one burst";
  EXPECT_EQ(recorded.results.size(), targets.size());
}

TEST(ParallelRefresh, NoMoreEchoesUnderWayThanTheBound) {
  ScriptedIcmp icmp;
  const auto targets = scriptedNodes(icmp, 12, [](size_t) { return std::vector{ScriptedEcho::held(150)}; });
  Recorded recorded;
  const IcmpHandle handle;
  probeNodesInParallel(targets, handle.get(), recorded.events_(), 4);
  EXPECT_LE(icmp.mostInFlight(), 4);
  EXPECT_GE(icmp.mostInFlight(), 2) << "the probe ran one echo at a time";
  EXPECT_EQ(recorded.results.size(), targets.size());
  for (const auto& [index, latency] : recorded.results) EXPECT_EQ(latency, 150);
}

TEST(ParallelRefresh, AnInvalidHandleFinishesEveryNodeInOrderWithoutEchoes) {
  ScriptedIcmp icmp;
  icmp.failOpen();
  Recorded recorded;
  const IcmpHandle handle;
  probeNodesInParallel({{1, L"127.0.1.1"}, {2, L"127.0.1.2"}}, handle.get(), recorded.events_());
  EXPECT_EQ(recorded.events, (std::vector<std::pair<char, size_t>>{{'s', 0}, {'f', 0}, {'s', 1}, {'f', 1}}));
  EXPECT_EQ(recorded.results.at(0), kLatencyInvalidHandle);
  EXPECT_TRUE(icmp.calls().empty());
}

// A report that finds no memory ends the probe with that exception, but only
// once every echo under way has been answered: their replies are written into
// the probe's records until then. No echo is sent after it.
TEST(ParallelRefresh, AnEventThatThrowsEndsTheProbeAfterTheEchoesUnderWay) {
  ScriptedIcmp icmp;
  icmp.script(addressOf(0).c_str(), {ScriptedEcho::reply(5)});
  icmp.script(addressOf(1).c_str(), {ScriptedEcho::held(300)});
  icmp.script(addressOf(2).c_str(), {ScriptedEcho::held(300)});
  std::vector<ProbeTarget> targets;
  for (size_t i = 0; i < 3; ++i) {
    const std::string address = addressOf(i);
    targets.push_back({static_cast<int32_t>(i + 1), std::wstring(address.begin(), address.end())});
  }
  std::vector<size_t> finished;
  const ProbeEvents events{[](size_t) {},
                           [&finished](size_t index, int32_t) {
                             finished.push_back(index);
                             throw std::bad_alloc();
                           }};
  const IcmpHandle handle;
  EXPECT_THROW(probeNodesInParallel(targets, handle.get(), events), std::bad_alloc);
  EXPECT_EQ(finished, std::vector<size_t>{0});
  const auto calls = icmp.calls();
  // Node 0's three echoes; nodes 1 and 2 had sent two each when node 0 ended.
  EXPECT_EQ(calls.size(), 7u);
  for (const auto& call : calls) {
    if (call.destination != inet_addr(addressOf(0).c_str())) {
      EXPECT_NE(call.answeredAt, 0u);
    }
  }
}

}  // namespace
}  // namespace kestro
