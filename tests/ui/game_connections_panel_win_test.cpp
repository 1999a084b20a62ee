// The game's connections in the traffic view of a real main window: the
// checks a running acceleration makes against scripted connection and route
// tables, what the view says after each, and the add command's refusals.
#include "ui/main/main_window_win.h"

#include <gtest/gtest.h>

#include "app/client_state.h"
#include "app/settings_store_win.h"
#include "app/window_messages.h"
#include "base/text_convert.h"
#include "tests/accel/accel_test_support_win.h"
#include "tests/support/demo_main_window_win.h"
#include "tests/support/message_answer_win.h"

namespace kestro {
namespace {

using namespace kestro::test;

constexpr int32_t kGameId = 12;
constexpr uint32_t kAttempt = 41;
constexpr wchar_t kGamePath[] = L"C:\\Games\\DNF\\DNF.exe";

class GameConnectionsView : public DemoMainWindow {
 protected:
  void SetUp() override {
    DemoMainWindow::SetUp();
    saveNodeSelection(3, L"电信一区");
    saveGameSelection(kGameId, L"地下城与勇士");
    setScriptedTunnel();
    // The link probes that the routes' arrival starts measure loopback only.
    ClientState::instance().setTunnelGateway(L"127.0.0.1");
    scripted.tunnelGateway = inet_addr("127.0.0.1");
    scripted.processes = {{40, kGamePath}};
    scripted.rows = {tcpRow("192.0.2.10", 9000, MIB_TCP_STATE_ESTAB, 40),
                     tcpRow("192.0.2.20", 9000, MIB_TCP_STATE_ESTAB, 40)};
    scripted.routed = {inet_addr("192.0.2.10")};
  }

  // The routes of a running acceleration are in.
  void routesReady(HWND window) {
    stopEvent_ = markAccelerating();
    ClientState::instance().accelerationAttempt = kAttempt;
    SendMessageW(window, WM_ROUTES_READY, kAttempt, 0);
  }

  void TearDown() override {
    UniqueHandle stop{static_cast<HANDLE>(ClientState::instance().takeStopEvent())};
    DemoMainWindow::TearDown();
  }

  // Whether the view shows `counts` within `ms` (a check every 3 seconds).
  bool shows(HWND window, const std::wstring& counts, DWORD ms = 10000) {
    return waitUntil([&] { return text(window, L"txtgameconnections") == counts; }, ms);
  }

  ScriptedConnections scripted;
  UniqueHandle stopEvent_;
};

TEST_F(GameConnectionsView, ChecksTheGameWhileAcceleratingAndSaysWhatTheAddRefused) {
  runWith([&](HWND window) {
    routesReady(window);
    EXPECT_EQ(text(window, L"txtgameconnections"), L"未设置游戏路径，无法检查游戏连接");

    // The next check finds the stored path's process and its connections.
    writeGamePath(kGameId, kGamePath);
    ASSERT_TRUE(shows(window, L"游戏连接 2 个，已加速 1 个")) << toUtf8(text(window, L"txtgameconnections"));
    EXPECT_EQ(text(window, L"txtbypass"), L"未经加速：192.0.2.20");
    EXPECT_EQ(display(window, L"linkaddroutes"), L"inline-block");
    EXPECT_EQ(text(window, L"txtconnectionsnote"), L"（仅列出TCP连接，UDP流量无法以此方式列出）");

    // Routed meanwhile by someone else: the add refuses it and says why.
    {
      const std::lock_guard hold(scripted.lock);
      scripted.routed.insert(inet_addr("192.0.2.20"));
    }
    clickForMessage(window, L"#linkaddroutes");
    answerMessage(ui_, window, L"以下地址未能加入加速：地址“192.0.2.20”已经通过加速通道，无需加入", kMessageOk);
    EXPECT_TRUE(scripted.routes.created.empty());
    EXPECT_TRUE(shows(window, L"游戏连接 2 个，已加速 2 个"));
    EXPECT_EQ(display(window, L"linkaddroutes"), L"none");

    // The game ends: the view says so at the next check.
    {
      const std::lock_guard hold(scripted.lock);
      scripted.processes.clear();
    }
    EXPECT_TRUE(shows(window, L"游戏未运行"));
    EXPECT_EQ(display(window, L"txtbypass"), L"none");

    // The acceleration ends: its checks end with it.
    ClientState::instance().accelerating = 0;
    {
      const std::lock_guard hold(scripted.lock);
      scripted.processes = {{40, kGamePath}};
    }
    EXPECT_FALSE(shows(window, L"游戏连接 2 个，已加速 2 个", 7000)) << "no check after the acceleration's end";
  });
}

}  // namespace
}  // namespace kestro
