// The link monitor's cycles through the scripted ICMP seam; the pause between
// cycles is the test's, so five-minute waits take no time.
#include "accel/link_monitor_win.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <vector>

#include "accel/link_report.h"
#include "app/client_state.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/unique_handle_win.h"
#include "tests/nodes/scripted_icmp_win.h"
#include "tests/support/message_recorder_win.h"
#include "tests/support/wine_host_win.h"

namespace kestro {
namespace {

using test::ScriptedEcho;
using test::ScriptedIcmp;

constexpr char kGateway[] = "127.0.0.9";

std::vector<ScriptedEcho> echoes(int replies, ULONG ms, int timeOuts = 0) {
  std::vector<ScriptedEcho> list(replies, ScriptedEcho::reply(ms));
  list.insert(list.end(), timeOuts, ScriptedEcho::timeOut());
  return list;
}

class LinkMonitor : public ::testing::Test {
 protected:
  void SetUp() override {
    ClientState& state = ClientState::instance();
    state.accelerating = 1;
    state.linkReportShown = 0;
    state.setMonitorToken(L"Check7");
    state.setTunnelGateway(L"127.0.0.9");
    WindowHandles::instance().mainWindow = window_.window();
  }
  void TearDown() override {
    ClientState::instance().accelerating = 0;
    WindowHandles::instance().mainWindow = nullptr;
  }

  // Runs the monitor for at most `cycles` cycles; returns the pauses asked for.
  std::vector<uint32_t> run(int cycles, const std::wstring& token = L"Check7") {
    std::vector<uint32_t> pauses;
    runLinkMonitor(token, [&](uint32_t ms) {
      pauses.push_back(ms);
      if (static_cast<int>(pauses.size()) >= cycles) ClientState::instance().accelerating = 0;
    });
    return pauses;
  }

  std::vector<test::MessageRecorder::Entry> reports() const {
    std::vector<test::MessageRecorder::Entry> found;
    for (const auto& entry : window_.entries())
      if (entry.message == WM_LINK_DEGRADED) found.push_back(entry);
    return found;
  }

  // The diagnosis page marks the report as shown when it opens.
  test::MessageRecorder window_{{}, [](UINT message, WPARAM, LPARAM) -> LRESULT {
                                  if (message == WM_LINK_DEGRADED) ClientState::instance().linkReportShown = 1;
                                  return 0;
                                }};
  ScriptedIcmp icmp_;
};

TEST_F(LinkMonitor, AGoodLinkIsNeverReportedAndEachCycleWaitsFiveMinutes) {
  icmp_.script(kGateway, echoes(100, 20));
  EXPECT_EQ(run(3), (std::vector<uint32_t>{300000, 300000, 300000}));
  EXPECT_TRUE(reports().empty());
  EXPECT_EQ(icmp_.calls().size(), 300u);
  EXPECT_EQ(icmp_.opened(), 3);
  EXPECT_EQ(icmp_.closed(), 3);
}

TEST_F(LinkMonitor, LatencyOfExactlyFiftyIsGoodAndFiftyPointOneIsReported) {
  icmp_.script(kGateway, echoes(100, 50));
  run(1);
  EXPECT_TRUE(reports().empty());

  ClientState::instance().accelerating = 1;
  std::vector<ScriptedEcho> slow = echoes(90, 50);
  const std::vector<ScriptedEcho> slower = echoes(10, 51);
  slow.insert(slow.end(), slower.begin(), slower.end());
  icmp_.script(kGateway, slow);
  run(1);
  ASSERT_EQ(reports().size(), 1u);
  EXPECT_EQ(reports()[0].wParam, 50u);
  EXPECT_EQ(reports()[0].lParam, 0);
}

TEST_F(LinkMonitor, LossIsReportedOncePerAcceleration) {
  icmp_.script(kGateway, echoes(95, 10, 5));
  run(3);
  ASSERT_EQ(reports().size(), 1u) << "the page was opened by the first report";
  EXPECT_EQ(reports()[0].wParam, 10u);
  EXPECT_DOUBLE_EQ(lossPercentFromReport(reports()[0].lParam), 5.0);
}

TEST_F(LinkMonitor, APageOpenedByHandKeepsABadLinkUnreported) {
  ClientState::instance().linkReportShown = 1;
  icmp_.script(kGateway, echoes(0, 0, 100));
  run(2);
  EXPECT_TRUE(reports().empty());
}

TEST_F(LinkMonitor, WithoutAGatewayNothingIsSent) {
  ClientState::instance().setTunnelGateway(L"");
  EXPECT_EQ(run(2).size(), 2u);
  EXPECT_TRUE(icmp_.calls().empty());
  EXPECT_TRUE(reports().empty());
}

TEST_F(LinkMonitor, EndsAtItsWakeUpWhenStoppedOrReplaced) {
  icmp_.script(kGateway, echoes(100, 80));
  ClientState::instance().accelerating = 0;
  EXPECT_TRUE(run(5).empty());
  EXPECT_TRUE(icmp_.calls().empty());

  // A newer acceleration took over: the old monitor ends without probing.
  ClientState::instance().accelerating = 1;
  EXPECT_TRUE(run(5, L"Check8").empty());
  EXPECT_TRUE(icmp_.calls().empty());

  // Replaced during its pause: one cycle, then it ends.
  std::vector<uint32_t> pauses;
  runLinkMonitor(L"Check7", [&](uint32_t ms) {
    pauses.push_back(ms);
    ClientState::instance().setMonitorToken(L"Check8");
  });
  EXPECT_EQ(pauses.size(), 1u);
  EXPECT_EQ(reports().size(), 1u);
}

size_t threadsOfThisProcess() {
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  size_t count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  return count;
}

// Started and stopped twenty times within five minutes, an acceleration
// would otherwise leave twenty monitors asleep, each with its thread.
TEST_F(LinkMonitor, TheStopEndsTheMonitorsPauseAtOnce) {
  ClientState& state = ClientState::instance();
  state.setTunnelGateway(L"");  // nothing to probe: straight to the five-minute pause
  const UniqueHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  state.setStopEvent(stop.get());
  const size_t before = threadsOfThisProcess();
  startLinkMonitor(L"Check7");
  ASSERT_TRUE(test::waitUntil([&] { return threadsOfThisProcess() == before + 1; }, 2000));
  state.accelerating = 0;
  SetEvent(stop.get());
  state.takeStopEvent();
  EXPECT_TRUE(test::waitUntil([&] { return threadsOfThisProcess() == before; }, 3000))
      << "the monitor slept on after the stop";
}

}  // namespace
}  // namespace kestro
