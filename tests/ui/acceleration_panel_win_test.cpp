// The acceleration panel of a real main window: the start command with a
// recorder in place of the worker, then the worker's, the tunnel library's
// and the route installation's messages sent to the window as they come in a
// run, and what the page shows after each.
#include "ui/main/main_window_win.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "accel/acc_step_record.h"
#include "accel/acceleration_start_win.h"
#include "accel/routes_win.h"
#include "accel/tunnel_errors.h"
#include "app/client_state.h"
#include "app/settings_store_win.h"
#include "app/window_messages.h"
#include "htmlayout/win32/window_host_win.h"
#include "tests/accel/accel_test_support_win.h"
#include "tests/support/demo_main_window_win.h"
#include "tests/support/message_answer_win.h"
#include "tests/support/registry_values_win.h"
#include "tests/support/scoped_seam.h"

namespace kestro {
namespace {

using namespace kestro::test;
using htmlayout::dom::element;

class AccelerationPanel : public DemoMainWindow {
 protected:
  void SetUp() override {
    DemoMainWindow::SetUp();
    // The link monitor started by the routes' arrival measures loopback only.
    ClientState::instance().setTunnelGateway(L"127.0.0.1");
    // Node 3 and game 12 chosen, as a restart finds them.
    saveNodeSelection(3, L"电信一区");
    saveGameSelection(12, L"地下城与勇士");
  }

  element byId(HWND window, const wchar_t* id) const {
    return element(htmlayout::HTMLayoutGetRootElement(window)).find_by_id(id);
  }

  // A click on a page element, delivered through the page's own event routing.
  void press(HWND window, const wchar_t* id) {
    ui_.run([&] {
      const element target = byId(window, id);
      ASSERT_TRUE(target.is_valid()) << "no element " << id;
      target.post_event(htmlayout::BUTTON_CLICK, 0, target);
    });
  }

  void step(HWND window, int32_t state, const std::wstring& title, const std::wstring& detail = {}) {
    AccStepRecord record{0, title, state, detail, attempt()};
    SendMessageW(window, WM_ACC_STEP, attempt(), reinterpret_cast<LPARAM>(&record));
  }

  std::vector<StepRow> rows(HWND window) const { return stepRows(window, L"acctable"); }

  // The attempt the window's start command began last: its reports carry it.
  static uint32_t attempt() { return ClientState::instance().accelerationAttempt; }

  void expectView(HWND window, const wchar_t* idle, const wchar_t* progress, const wchar_t* status) {
    EXPECT_EQ(display(window, L"startacccontainer"), idle);
    EXPECT_EQ(display(window, L"accingcontainer"), progress);
    EXPECT_EQ(display(window, L"accstatuscontainer"), status);
  }

  // Starts with a recorded start and the first step running.
  void startRun(HWND window) {
    press(window, L"btnstartacc");
    ASSERT_TRUE(waitUntil([&] { return started_.size() == 1; }, 5000));
  }

  // Up to the tunnel's step done: the acceleration runs, its routes still to come.
  void connectTunnel(HWND window) {
    startRun(window);
    step(window, 0, L"正在与节点建立加速专用通道");
    step(window, 1, {});
    ClientState::instance().accelerating = 1;
  }

  // Up to the running view of the attempt just started.
  void runToTheTrafficView(HWND window) {
    connectTunnel(window);
    SendMessageW(window, WM_ROUTES_READY, attempt(), 0);
    expectView(window, L"none", L"none", L"block");
  }

  std::vector<AccStartArgument> started_;
  ScopedSeam<std::function<bool(std::unique_ptr<AccStartArgument>)>> starter_{
      accelerationStarter(), [this](std::unique_ptr<AccStartArgument> argument) {
        started_.push_back(*argument);
        return true;
      }};
};

TEST_F(AccelerationPanel, StartAsksForANodeThenForAGameBeforeAnythingRuns) {
  const auto startIsRefused = [&](const std::wstring& question) {
    runWith([&](HWND window) {
      press(window, L"btnstartacc");
      answerMessage(ui_, window, question, kMessageOk);
      EXPECT_TRUE(started_.empty());
      expectView(window, L"block", L"none", L"none");
    });
  };
  deleteSettingsKey();
  saveGameSelection(12, L"地下城与勇士");
  startIsRefused(L"请先点击上方“选择节点”按钮选择需要使用的加速节点！");
  deleteSettingsKey();
  saveNodeSelection(3, L"电信一区");
  startIsRefused(L"请先点击上方“选择游戏”按钮选择需要加速的游戏！");
}

TEST_F(AccelerationPanel, StepsFillTheTableAndAFailureOffersARetry) {
  saveVoiceSelection(2, L"第一语音平台");
  runWith([&](HWND window) {
    startRun(window);
    EXPECT_EQ(started_[0].nodeId, 3);
    EXPECT_EQ(started_[0].gameId, 12);
    EXPECT_EQ(started_[0].voiceId, 2);
    expectView(window, L"none", L"block", L"none");
    EXPECT_TRUE(rows(window).empty()) << "only the header row";

    step(window, 0, L"正在检查泓迈网游加速器虚拟网卡状态");
    step(window, 3, {}, L"检测到重复安装");
    step(window, 0, L"正在检查系统网络参数状态");
    step(window, 1, {});
    step(window, 0, L"正在从服务器获取需要加速的信息");
    step(window, 2, {}, L"节点维护中");
    step(window, 7, L"ignored");
    const std::vector<StepRow> shown = rows(window);
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].title, L"正在检查泓迈网游加速器虚拟网卡状态");
    EXPECT_EQ(shown[0].status, L"WARN.PNG");
    EXPECT_EQ(shown[0].detailClass, L"warn");
    EXPECT_EQ(shown[0].detail, L"检测到重复安装");
    EXPECT_EQ(shown[1].status, L"OK.PNG");
    EXPECT_EQ(shown[1].detail, L"");
    EXPECT_EQ(shown[2].status, L"NO.PNG");
    EXPECT_EQ(shown[2].detailClass, L"error");
    EXPECT_EQ(shown[2].detail, L"节点维护中");
    EXPECT_EQ(shown[3].status, L"");
    EXPECT_EQ(shown[3].button, L"btnretryacc");
    saveScreenshot("acceleration-failed-step");

    // The retry starts again with a new table.
    press(window, L"btnretryacc");
    ASSERT_TRUE(waitUntil([&] { return started_.size() == 2; }, 5000));
    EXPECT_TRUE(rows(window).empty());
  });
}

TEST_F(AccelerationPanel, TunnelErrorsFailOnlyTheRunningTunnelStep) {
  runWith([&](HWND window) {
    startRun(window);
    step(window, 0, L"正在与节点建立加速专用通道");
    SendMessageW(window, WM_TUNNEL_ERROR, 0, 8);
    std::vector<StepRow> shown = rows(window);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].status, L"NO.PNG");
    EXPECT_EQ(shown[0].detailClass, L"error");
    EXPECT_EQ(shown[0].detail, L"") << "an unknown code has no text";
    EXPECT_EQ(shown[1].button, L"btnretryacc");

    press(window, L"btnretryacc");
    ASSERT_TRUE(waitUntil([&] { return started_.size() == 2; }, 5000));
    step(window, 0, L"正在与节点建立加速专用通道");
    step(window, 1, {});
    SendMessageW(window, WM_TUNNEL_ERROR, 0, 7);
    shown = rows(window);
    ASSERT_EQ(shown.size(), 1u) << "a late error changes nothing";
    EXPECT_EQ(shown[0].status, L"OK.PNG");

    step(window, 0, L"正在与节点建立加速专用通道");
    SendMessageW(window, WM_TUNNEL_ERROR, 0, 7);
    EXPECT_EQ(rows(window)[1].detail, tunnelErrorText(7));
  });
}

TEST_F(AccelerationPanel, RoutesInPlaceShowTheTrafficViewWithTheLastWarningAndFigures) {
  runWith([&](HWND window) {
    startRun(window);
    step(window, 0, L"正在检查泓迈网游加速器虚拟网卡状态");
    step(window, 3, {}, L"检测到重复安装");
    step(window, 0, L"正在检查系统网络参数状态");
    step(window, 3, {}, L"需要重新启动计算机");
    step(window, 0, L"正在与节点建立加速专用通道");
    step(window, 1, {});
    ClientState::instance().accelerating = 1;
    SendMessageW(window, WM_ROUTES_READY, attempt(), 0);

    expectView(window, L"none", L"none", L"block");
    EXPECT_EQ(display(window, L"linkstopacc"), L"block");
    EXPECT_EQ(display(window, L"btnrungame"), L"block");
    EXPECT_EQ(display(window, L"acctipline"), L"block");
    EXPECT_EQ(text(window, L"accstatuswarninfo"), L"需要重新启动计算机\r\n");
    EXPECT_TRUE(ClientState::instance().monitorToken().starts_with(L"Check"));

    SendMessageW(window, WM_TUNNEL_TRAFFIC, 0, 0);
    SendMessageW(window, WM_TUNNEL_TRAFFIC, 1000, 500);
    EXPECT_EQ(text(window, L"accdata_speeddown"), L"7.813千位/秒(KBits/S)");
    EXPECT_EQ(text(window, L"accdata_speedup"), L"3.906千位/秒(KBits/S)");
    EXPECT_EQ(text(window, L"accdata_flowdown"), L"1000字节(Bytes)");
    EXPECT_EQ(text(window, L"accdata_flowup"), L"500字节(Bytes)");
    EXPECT_EQ(text(window, L"accdata_speedmax"), L"7.813千位/秒(KBits/S)");
    saveScreenshot("acceleration-traffic-view");

    // The rate chart: its scale's lowest label ends inside the chart, above
    // the window's edge, and the legend's texts cross no grid line.
    openTab(window, L"panel-id6");
    saveScreenshot("acceleration-rate-chart");
    const RECT chart = elementBox(ui_, window, L"#ratechart");
    const WindowPixels pixels = windowPixels(ui_, window);
    RECT client{};
    GetClientRect(window, &client);
    ASSERT_LE(chart.bottom, client.bottom);
    const RECT scale = inkBox(pixels, RECT{chart.left, chart.bottom - 20, chart.left + 74, chart.bottom + 12});
    ASSERT_LT(scale.top, scale.bottom) << "no lowest label";
    EXPECT_LE(scale.bottom, chart.bottom) << "the lowest label hangs below the chart";
    // The legend's ground: only white and the texts' grey, no grid green.
    for (int y = chart.top + 5; y < chart.top + 46; ++y) {
      for (int x = chart.right - 80; x < chart.right - 6; ++x) {
        const uint32_t pixel = pixels.rgb[static_cast<size_t>(y) * pixels.width + x];
        ASSERT_NE(pixel, 0x449B58u) << "a grid line through the legend at " << x << "," << y;
      }
    }
  });
}

TEST_F(AccelerationPanel, StopSignalsTheTunnelAndItsEndReturnsToIdle) {
  runWith([&](HWND window) {
    runToTheTrafficView(window);
    const UniqueHandle stop = markAccelerating();

    press(window, L"linkstopacc");
    ASSERT_TRUE(waitUntil([&] { return WaitForSingleObject(stop.get(), 0) == WAIT_OBJECT_0; }, 5000));
    EXPECT_EQ(ClientState::instance().accelerating, 0);
    EXPECT_EQ(ClientState::instance().stopEvent(), nullptr);
    EXPECT_EQ(text(window, L"actiontip"), L"请稍候，正在停止加速……");
    EXPECT_EQ(display(window, L"actiontip"), L"block");
    EXPECT_EQ(display(window, L"linkstopacc"), L"none");

    // The worker reports the tunnel's end.
    SendMessageW(window, WM_TUNNEL_CLOSED, attempt(), 0);
    expectView(window, L"block", L"none", L"none");
    ui_.run([&] { EXPECT_EQ(byId(window, L"accpic").get_style_attribute("foreground-image"), L"url(NOTACC.PNG)"); });
  });
}

TEST_F(AccelerationPanel, ATunnelThatEndsBeforeConnectingShowsTheUnexpectedError) {
  runWith([&](HWND window) {
    startRun(window);
    step(window, 0, L"正在与节点建立加速专用通道");
    SendMessageW(window, WM_TUNNEL_CLOSED, attempt(), 0);
    const std::vector<StepRow> shown = rows(window);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].status, L"NO.PNG");
    EXPECT_EQ(shown[0].detail, kTunnelEndedUnexpectedly);
    EXPECT_EQ(shown[1].button, L"btnretryacc");
    expectView(window, L"none", L"block", L"none");
  });
}

// The acceleration's life cycle in a real main window, each test provoking
// one order of events on purpose.
class AccelerationLifecycle : public AccelerationPanel {
 protected:
  void SetUp() override {
    AccelerationPanel::SetUp();
    ClientState::instance().startWorkerRunning = 0;
    ClientState::instance().takeInstalledRoutes();
  }
  void TearDown() override {
    ClientState::instance().startWorkerRunning = 0;
    AccelerationPanel::TearDown();
  }
};

TEST_F(AccelerationLifecycle, ARetryWaitsForThePreviousWorkerAndItsLateReportsChangeNothing) {
  runWith([&](HWND window) {
    startRun(window);
    const uint32_t first = attempt();
    step(window, 0, L"正在与节点建立加速专用通道");
    SendMessageW(window, WM_TUNNEL_ERROR, 0, 7);
    ASSERT_EQ(rows(window).back().button, L"btnretryacc");

    // The first worker is still inside the tunnel library.
    ClientState::instance().startWorkerRunning = 1;
    press(window, L"btnretryacc");
    ASSERT_TRUE(waitUntil([&] { return rows(window).size() == 1; }, 5000));
    EXPECT_EQ(rows(window)[0].title, L"请稍候，正在结束上一次加速……");
    EXPECT_EQ(started_.size(), 1u) << "no second worker while the first runs";

    // The first worker's last reports arrive: the waiting row stays as it is.
    SendMessageW(window, WM_TUNNEL_CLOSED, first, 0);
    ASSERT_EQ(rows(window).size(), 1u);
    EXPECT_EQ(rows(window)[0].status, L"LOADING.GIF") << "the waiting row is not marked failed";
    EXPECT_EQ(rows(window)[0].detail, L"");
    // Then it ends, and the retry starts.
    ClientState::instance().startWorkerRunning = 0;
    SendMessageW(window, WM_ACC_WORKER_ENDED, first, 0);
    ASSERT_TRUE(waitUntil([&] { return started_.size() == 2; }, 5000));
    EXPECT_EQ(started_[1].attempt, first + 1);
    EXPECT_TRUE(rows(window).empty()) << "a fresh table for the new attempt";

    step(window, 0, L"正在检查泓迈网游加速器虚拟网卡状态");
    // A step report and the tunnel's end of the first attempt arrive late.
    AccStepRecord stale{5, L"正在与节点建立加速专用通道", kStepError, L"旧的失败", first};
    SendMessageW(window, WM_ACC_STEP, first, reinterpret_cast<LPARAM>(&stale));
    SendMessageW(window, WM_TUNNEL_CLOSED, first, 0);
    const std::vector<StepRow> shown = rows(window);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].status, L"LOADING.GIF") << "the new attempt's row is untouched";
  });
}

TEST_F(AccelerationLifecycle, RoutesReadyAfterTheTunnelEndedAddNothingAndThePageStaysIdle) {
  test::ScriptedRouteTable table;
  runWith([&](HWND window) {
    connectTunnel(window);
    SendMessageW(window, WM_TUNNEL_CLOSED, attempt(), 0);
    expectView(window, L"block", L"none", L"none");
    // The route thread is refused the row it adds meanwhile, and reports now.
    EXPECT_EQ(addRoute(attempt(), ForwardRow{0x0A000000}), kRouteNotOwned);
    SendMessageW(window, WM_ROUTES_READY, attempt(), 0);
    expectView(window, L"block", L"none", L"none");
    EXPECT_TRUE(ClientState::instance().installedRoutes().empty());
    EXPECT_TRUE(table.created.empty());
  });
}

// The tunnel library reports its connection twice: one route run, one row 6,
// one set of rows.
TEST_F(AccelerationLifecycle, ASecondConnectedReportStartsNoSecondRouteRun) {
  test::ScriptedRouteTable table;
  table.adapters = {{12, "203.0.113.250", "255.255.255.248"}};
  ClientState& state = ClientState::instance();
  state.setRouteTargets({{L"198.51.100.30", 32}, {L"192.0.2.10", 32}});
  state.setTunnelNode(L"127.0.0.11");
  static const char kGateway[] = "127.0.0.1";
  static const char kAddress[] = "203.0.113.250";
  static const char kMask[] = "255.255.255.248";
  runWith([&](HWND window) {
    startRun(window);
    step(window, 0, L"正在与节点建立加速专用通道");
    SendMessageW(window, WM_TUNNEL_INFO, 1, reinterpret_cast<LPARAM>(kGateway));
    SendMessageW(window, WM_TUNNEL_INFO, 2, reinterpret_cast<LPARAM>(kAddress));
    SendMessageW(window, WM_TUNNEL_INFO, 3, reinterpret_cast<LPARAM>(kMask));
    SendMessageW(window, WM_TUNNEL_CONNECTED, 0, 0);
    SendMessageW(window, WM_TUNNEL_CONNECTED, 0, 0);
    ASSERT_TRUE(waitUntil([&] { return display(window, L"accstatuscontainer") == L"block"; }, 10000));
    Sleep(1000);
    int routeRows = 0;
    for (const StepRow& row : rows(window)) routeRows += row.title == L"正在设置到加速游戏和语音服务器的网络路由" ? 1 : 0;
    EXPECT_EQ(routeRows, 1);
    EXPECT_EQ(ClientState::instance().installedRoutes().size(), 2u);
    EXPECT_EQ(table.created.size(), 2u);
  });
}

TEST_F(AccelerationLifecycle, ALinkReportAfterTheStopIsDropped) {
  runWith([&](HWND window) {
    runToTheTrafficView(window);
    ClientState::instance().accelerating = 0;  // stopped while the hundred echoes ran
    SendMessageW(window, WM_LINK_DEGRADED, 120, 500);
    EXPECT_EQ(display(window, L"diagingpage"), L"none");
    EXPECT_EQ(display(window, L"diagstartpage"), L"block");
  });
}

TEST_F(AccelerationLifecycle, TheTunnelsOwnEndIsToldInTheIdleView) {
  runWith([&](HWND window) {
    runToTheTrafficView(window);
    SendMessageW(window, WM_TUNNEL_CLOSED, attempt(), 0);
    expectView(window, L"block", L"none", L"none");
    EXPECT_EQ(display(window, L"acclostnote"), L"block");
    EXPECT_EQ(text(window, L"acclostnote"), L"与加速节点的连接已中断，加速已停止，请检查网络后重新开始加速");
    saveScreenshot("acceleration-tunnel-lost");
    // The next start clears the notice.
    press(window, L"btnstartacc");
    ASSERT_TRUE(waitUntil([&] { return started_.size() == 2; }, 5000));
    EXPECT_EQ(display(window, L"acclostnote"), L"none");
  });
}

TEST_F(AccelerationLifecycle, AStopThatNeverCompletesReturnsToIdleAfterItsBound) {
  runWith([&](HWND window) {
    runToTheTrafficView(window);
    ClientState::instance().setStopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    press(window, L"linkstopacc");
    ASSERT_TRUE(waitUntil([&] { return text(window, L"actiontip") == L"请稍候，正在停止加速……"; }, 5000));
    // The tunnel library never returns: ten seconds later the page is idle.
    ASSERT_TRUE(waitUntil([&] { return display(window, L"startacccontainer") == L"block"; }, 15000));
    EXPECT_EQ(text(window, L"acclostnote"), L"加速组件未能及时退出，加速已停止，如需重新加速请稍候再试");
    // Its end, when it finally comes, changes nothing.
    SendMessageW(window, WM_TUNNEL_CLOSED, attempt(), 0);
    expectView(window, L"block", L"none", L"none");
    EXPECT_EQ(text(window, L"acclostnote"), L"加速组件未能及时退出，加速已停止，如需重新加速请稍候再试");
  });
}

// A library that still posts its counters after the stop's bound passed
// changes no figure, and the next acceleration starts from zero: its first
// report is its own first second, not the old counters' difference.
TEST_F(AccelerationLifecycle, TrafficAfterAnOverdueStopIsIgnoredAndTheNextStartBeginsAtZero) {
  runWith([&](HWND window) {
    runToTheTrafficView(window);
    SendMessageW(window, WM_TUNNEL_TRAFFIC, 3000000000u, 2000000000);
    press(window, L"linkstopacc");
    ASSERT_TRUE(waitUntil([&] { return display(window, L"startacccontainer") == L"block"; }, 20000));
    const std::wstring shownDown = text(window, L"accdata_flowdown");
    SendMessageW(window, WM_TUNNEL_TRAFFIC, 3100000000u, 2100000000);
    EXPECT_EQ(text(window, L"accdata_flowdown"), shownDown) << "an overdue library's report changed the figures";

    ClientState::instance().startWorkerRunning = 0;
    press(window, L"btnstartacc");
    ASSERT_TRUE(waitUntil([&] { return started_.size() == 2; }, 5000));
    EXPECT_EQ(text(window, L"accdata_flowdown"), L"0字节(Bytes)");
    step(window, 0, L"正在与节点建立加速专用通道");
    step(window, 1, {});
    ClientState::instance().accelerating = 1;
    SendMessageW(window, WM_ROUTES_READY, attempt(), 0);
    SendMessageW(window, WM_TUNNEL_TRAFFIC, 1000, 500);
    EXPECT_EQ(text(window, L"accdata_flowdown"), L"1000字节(Bytes)");
    EXPECT_EQ(text(window, L"accdata_speeddown"), L"7.813千位/秒(KBits/S)");
    EXPECT_EQ(text(window, L"accdata_speedmax"), L"7.813千位/秒(KBits/S)");
  });
}

}  // namespace
}  // namespace kestro
