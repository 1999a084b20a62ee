#include "accel/acceleration_start_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "accel/acceleration_texts.h"
#include "accel/routes_win.h"
#include "accel/tcp_tuning_win.h"
#include "app/client_state.h"
#include "tests/accel/accel_test_support_win.h"
#include "tests/accel/loopback_tunnel_node_win.h"
#include "tests/support/loopback_http_server_win.h"

namespace kestro {
namespace {

constexpr wchar_t kAdapter[] = L"{33333333-0000-0000-0000-000000000001}";
constexpr std::time_t kNow = 1796700000;  // the local clock of every run here

std::string serviceTime(std::time_t moment) {
  std::tm local{};
  localtime_s(&local, &moment);
  char text[32];
  std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

std::string accReply(int32_t nodePort, const std::string& routes, const std::string& time) {
  return R"({"error":"","nodeip":"127.0.0.1","nodeport":)" + std::to_string(nodePort) + R"(,"routeip":)" + routes +
         R"(,"servertime":")" + time + R"("})";
}

const std::string kTwoRoutes = R"([{"ipaddr":"203.0.113.7","ipmask":32},{"ipaddr":"198.51.100.0","ipmask":24}])";

using test::setDword;

class AccelerationStart : public ::testing::Test {
 protected:
  void SetUp() override {
    test::removeTestAdapters();
    ClientState& state = ClientState::instance();
    state.setUserName(L"kestro");
    state.setPassword(L"abc123");
    state.setRouteTargets({{L"192.0.2.1", 32}});
    state.takeInstalledRoutes();
    const char* service = std::getenv("KESTRO_SERVICE_URL");
    serviceBefore = service != nullptr ? service : "";
  }
  void TearDown() override {
    if (worker.joinable()) {  // a test that failed half-way: end the tunnel, keep handling reports
      if (HANDLE event = static_cast<HANDLE>(ClientState::instance().stopEvent())) SetEvent(event);
      window.recorder().pumpUntil([this](const auto&) { return returned.load(); }, 30000);
      worker.join();
    }
    _putenv_s("KESTRO_SERVICE_URL", serviceBefore.c_str());
    if (HANDLE event = static_cast<HANDLE>(ClientState::instance().takeStopEvent())) CloseHandle(event);
    test::removeTestAdapters();
  }

  // One adapter, already tuned: steps 0 and 1 end in state 1.
  static void tunedAdapter() {
    test::addAdapter(L"9301", L"kestro", kAdapter);
    setDword(kTcpParametersKey, L"Tcp1323Opts", 1);
    setDword(kTcpInterfacesKey + std::wstring(kAdapter), L"TcpAckFrequency", 1);
    setDword(kTcpInterfacesKey + std::wstring(kAdapter), L"TCPInitialRtt", 300);
  }

  static void useService(const test::LoopbackHttpServer& service) {
    _putenv_s("KESTRO_SERVICE_URL", service.baseUrl().c_str());
  }

  // Runs the worker on its own thread while this thread handles its reports,
  // until `until` has arrived (0: until the worker has returned).
  void run(const std::wstring& programFolder, UINT until = 0, AccStartArgument argument = {3, 7, 0}) {
    test::CurrentFolder folder(programFolder);
    returned = false;
    const HWND target = window.window();
    worker = std::thread([this, target, argument] {
      runAccelerationStart(argument);
      returned = true;
      PostMessageW(target, WM_NULL, 0, 0);  // wakes the pump
    });
    if (until != 0) {
      EXPECT_TRUE(window.pumpUntilMessage(until, 30000));
    } else {
      EXPECT_TRUE(window.recorder().pumpUntil([&](const auto&) { return returned.load(); }, 30000));
    }
  }

  // Signals the stop event the way stop does, then waits for the worker's end.
  void stopAndWaitForClose() {
    if (HANDLE event = static_cast<HANDLE>(ClientState::instance().takeStopEvent())) {
      SetEvent(event);
      CloseHandle(event);
    }
    EXPECT_TRUE(window.pumpUntilMessage(WM_TUNNEL_CLOSED, 30000));
    worker.join();
  }

  // (row, state) of every report.
  std::vector<std::pair<int32_t, int32_t>> rowsAndStates() const {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (const auto& step : window.steps()) out.emplace_back(step.row, step.state);
    return out;
  }
  const AccStepRecord& lastStep() const { return window.steps().back(); }

  test::ScopedSeam<std::function<std::time_t()>> localClock{accelerationLocalClock(), [] { return kNow; }};
  test::MainWindowRecorder window;
  std::thread worker;
  std::atomic<bool> returned{false};
  std::string serviceBefore;  // the reference service's address when scripts/test runs us
};

TEST_F(AccelerationStart, SixStepsUpToARunningTunnelThenStop) {
  tunedAdapter();
  test::LoopbackTunnelNode node("kestro", "abc123");
  test::LoopbackHttpServer service(accReply(node.port(), kTwoRoutes, serviceTime(kNow)));
  useService(service);
  run(test::distFolder(), WM_TUNNEL_TRAFFIC);

  const wchar_t* titles[] = {acctext::kTitleAdapter, acctext::kTitleNetworkParameters, acctext::kTitleServiceRequest,
                             acctext::kTitleClock,   acctext::kTitleLibrary,           acctext::kTitleTunnel};
  ASSERT_EQ(rowsAndStates(), (std::vector<std::pair<int32_t, int32_t>>{
                                 {0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 0}, {3, 1}, {4, 0}, {4, 1}, {5, 0}}));
  for (size_t i = 0; i < window.steps().size(); ++i) {
    EXPECT_EQ(window.steps()[i].title, titles[i / 2]);
    EXPECT_EQ(window.steps()[i].detail, L"");
  }

  // The addresses come before the connection, then the traffic.
  std::vector<std::wstring> infos;
  std::vector<UINT> order;
  for (const auto& entry : window.recorder().entries()) {
    if (entry.message == WM_TUNNEL_INFO) infos.push_back(std::to_wstring(entry.wParam) + L":" + entry.detail);
    if (entry.message != WM_ACC_STEP) order.push_back(entry.message);
  }
  EXPECT_EQ(infos, (std::vector<std::wstring>{L"1:203.0.113.249", L"2:203.0.113.250", L"3:255.255.255.248"}));
  EXPECT_EQ(order, (std::vector<UINT>{WM_TUNNEL_INFO, WM_TUNNEL_INFO, WM_TUNNEL_INFO, WM_TUNNEL_CONNECTED,
                                      WM_TUNNEL_TRAFFIC}));
  const auto& traffic = window.recorder().entries().back();
  EXPECT_GT(traffic.wParam, 0u);  // bytes the node streamed
  EXPECT_GT(traffic.lParam, 0);   // the library's keep-alive

  const auto requests = service.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].rfind("POST /acc.php HTTP/1.1\r\n", 0), 0u);
  EXPECT_EQ(requests[0].substr(requests[0].find("\r\n\r\n") + 4), "username=kestro&nodeid=3&gameid=7&voiceid=0");
  EXPECT_EQ(node.handshakes(), (std::vector<std::string>{"AUTH\tkestro\tabc123"}));
  const auto targets = ClientState::instance().routeTargets();
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets[1].address, L"198.51.100.0");
  EXPECT_EQ(targets[1].prefixLength, 24);

  stopAndWaitForClose();
  EXPECT_EQ(window.count(WM_TUNNEL_CLOSED), 1);
  EXPECT_EQ(window.count(WM_TUNNEL_ERROR), 0);
  EXPECT_EQ(GetModuleHandleW(L"Viadex.dll"), nullptr);
}

TEST_F(AccelerationStart, NoAdapterIsInstalledThenFound) {
  test::LoopbackHttpServer service(R"({"error":"节点维护中"})");
  useService(service);
  ClientState::instance().isWow64 = 1;
  run(test::distFolder());
  worker.join();
  ASSERT_GE(window.steps().size(), 2u);
  EXPECT_EQ(window.steps()[1].row, 0);
  EXPECT_EQ(window.steps()[1].state, kStepOk);
  std::vector<std::wstring> adapters;
  EXPECT_TRUE(findVirtualAdapters(adapters));
  EXPECT_EQ(adapters.size(), 1u);
  // A new adapter's interface values were written: the restart is recommended.
  EXPECT_EQ(window.steps()[3].state, kStepWarn);
  EXPECT_EQ(window.steps()[3].detail, acctext::kRestartRecommended);
}

TEST_F(AccelerationStart, TwoAdaptersWarnAndTheRunGoesOn) {
  tunedAdapter();
  test::addAdapter(L"9302", L"kestro", L"{33333333-0000-0000-0000-000000000002}");
  setDword(kTcpInterfacesKey + std::wstring(L"{33333333-0000-0000-0000-000000000002}"), L"TcpAckFrequency", 1);
  setDword(kTcpInterfacesKey + std::wstring(L"{33333333-0000-0000-0000-000000000002}"), L"TCPInitialRtt", 300);
  test::LoopbackHttpServer service(R"({"error":"节点维护中"})");
  useService(service);
  run(test::distFolder());
  worker.join();
  ASSERT_EQ(rowsAndStates(),
            (std::vector<std::pair<int32_t, int32_t>>{{0, 0}, {0, 3}, {1, 0}, {1, 1}, {2, 0}, {2, 2}}));
  EXPECT_EQ(window.steps()[1].detail, acctext::kDuplicateAdapters);
}

TEST_F(AccelerationStart, TheServiceRefusalIsShownVerbatimAndEndsTheRun) {
  tunedAdapter();
  test::LoopbackHttpServer service(R"({"error":"您的账户已经过期，请续费后再使用 & 重试"})");
  useService(service);
  run(test::distFolder());
  worker.join();
  EXPECT_EQ(lastStep().row, 2);
  EXPECT_EQ(lastStep().state, kStepError);
  EXPECT_EQ(lastStep().detail, L"您的账户已经过期，请续费后再使用 & 重试");
  // Nothing but step reports, and the worker's end as its last act.
  ASSERT_TRUE(window.pumpUntilMessage(WM_ACC_WORKER_ENDED, 5000));
  ASSERT_EQ(window.recorder().messages().size(), window.steps().size() + 1);
  EXPECT_EQ(window.recorder().messages().back(), WM_ACC_WORKER_ENDED);
  EXPECT_EQ(ClientState::instance().startWorkerRunning, 0);
}

TEST_F(AccelerationStart, TheServiceOutOfReachOrMalformed) {
  tunedAdapter();
  const struct {
    std::string body;
    const wchar_t* detail;
  } rows[] = {
      {"", L"服务器返回信息解析错误，请重试，如多次重试依然失败，请联系在线客服"},
      {R"({"nodeport":"7000"})", L"服务器返回信息解析错误，请重试，如多次重试依然失败，请联系在线客服"},
  };
  for (const auto& row : rows) {
    test::LoopbackHttpServer service(row.body);
    useService(service);
    run(test::distFolder());
    worker.join();
    EXPECT_EQ(lastStep().detail, row.detail) << row.body;
  }
  _putenv_s("KESTRO_SERVICE_URL", ("http://127.0.0.1:" + std::to_string(test::LoopbackListener().port()) + "/").c_str());
  run(test::distFolder());
  worker.join();
  EXPECT_EQ(lastStep().detail, L"无法连接泓迈中心服务器，请确认您的网络连接正常");
}

TEST_F(AccelerationStart, AnEmptyRouteListIsAccepted) {
  tunedAdapter();
  test::LoopbackHttpServer service(accReply(7000, "[]", serviceTime(kNow)));
  useService(service);
  test::ScratchFolder noLibrary(L"kestro-no-library");
  run(noLibrary.path());
  worker.join();
  EXPECT_EQ(window.steps()[5], (AccStepRecord{2, acctext::kTitleServiceRequest, kStepOk, L""}));
  EXPECT_TRUE(ClientState::instance().routeTargets().empty());
}

TEST_F(AccelerationStart, TheClockMayDifferByThreeDaysAndNoMore) {
  tunedAdapter();
  test::ScratchFolder noLibrary(L"kestro-no-library");
  const struct {
    std::time_t offset;
    int32_t state;
  } rows[] = {{259200, kStepOk}, {259201, kStepError}, {-259200, kStepOk}, {-259201, kStepError}, {0, kStepOk}};
  for (const auto& row : rows) {
    test::LoopbackHttpServer service(accReply(7000, kTwoRoutes, serviceTime(kNow + row.offset)));
    useService(service);
    const size_t before = window.steps().size();
    run(noLibrary.path());
    worker.join();
    ASSERT_GE(window.steps().size(), before + 8);
    const AccStepRecord& clock = window.steps()[before + 7];
    EXPECT_EQ(clock.row, 3);
    EXPECT_EQ(clock.state, row.state) << row.offset;
    EXPECT_EQ(clock.detail, row.state == kStepOk ? L"" : acctext::kClockOff) << row.offset;
  }
}

TEST_F(AccelerationStart, AMissingOrUnreadableServerTimeFails) {
  tunedAdapter();
  for (const std::string& body : {std::string(R"({"nodeip":"127.0.0.1","nodeport":7000,"routeip":[]})"),
                                 accReply(7000, "[]", "yesterday at noon")}) {
    test::LoopbackHttpServer service(body);
    useService(service);
    run(test::distFolder());
    worker.join();
    EXPECT_EQ(lastStep(), (AccStepRecord{3, acctext::kTitleClock, kStepError, acctext::kClockOff})) << body;
  }
}

TEST_F(AccelerationStart, NoLibraryFile) {
  tunedAdapter();
  test::LoopbackHttpServer service(accReply(7000, kTwoRoutes, serviceTime(kNow)));
  useService(service);
  test::ScratchFolder noLibrary(L"kestro-no-library");
  run(noLibrary.path());
  worker.join();
  EXPECT_EQ(lastStep(), (AccStepRecord{4, acctext::kTitleLibrary, kStepError, acctext::kLibraryMissing}));
  EXPECT_EQ(ClientState::instance().stopEvent(), nullptr);
}

TEST_F(AccelerationStart, ALibraryWithoutTheEntryIsUnloaded) {
  tunedAdapter();
  test::LoopbackHttpServer service(accReply(7000, kTwoRoutes, serviceTime(kNow)));
  useService(service);
  test::ScratchFolder program(L"kestro-wrong-library");
  ASSERT_TRUE(CopyFileW(test::hostPath(KESTRO_LIBRARY_WITHOUT_ENTRY).c_str(),
                        (program.path() + L"\\Viadex.dll").c_str(), FALSE));
  run(program.path());
  worker.join();
  EXPECT_EQ(lastStep(), (AccStepRecord{4, acctext::kTitleLibrary, kStepError, acctext::kLibraryEntryMissing}));
  EXPECT_EQ(GetModuleHandleW(L"Viadex.dll"), nullptr);
}

// A library that posts its addresses from its own memory and returns at once:
// the worker unloads it only after the window has read them.
TEST_F(AccelerationStart, TheLibrarysTextsAreReadBeforeItIsUnloaded) {
  tunedAdapter();
  test::LoopbackHttpServer service(accReply(7000, kTwoRoutes, serviceTime(kNow)));
  useService(service);
  test::ScratchFolder program(L"kestro-posting-library");
  ASSERT_TRUE(CopyFileW(test::hostPath(KESTRO_POSTING_LIBRARY).c_str(), (program.path() + L"\\Viadex.dll").c_str(),
                        FALSE));
  run(program.path(), WM_TUNNEL_CLOSED);
  worker.join();
  std::vector<std::wstring> texts;
  for (const auto& entry : window.recorder().entries())
    if (entry.message == WM_TUNNEL_INFO) texts.push_back(entry.detail);
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"10.77.0.1", L"10.77.0.2", L"255.255.255.0"}));
  EXPECT_EQ(GetModuleHandleW(L"Viadex.dll"), nullptr);
}

TEST_F(AccelerationStart, ARejectedUserGetsErrorThreeAndTheEventIsClosed) {
  tunedAdapter();
  ClientState::instance().setPassword(L"wrong");
  test::LoopbackTunnelNode node("kestro", "abc123");
  test::LoopbackHttpServer service(accReply(node.port(), kTwoRoutes, serviceTime(kNow)));
  useService(service);
  run(test::distFolder(), WM_TUNNEL_CLOSED);
  worker.join();
  EXPECT_EQ(window.detailOf(WM_TUNNEL_ERROR), L"3");
  EXPECT_EQ(window.count(WM_TUNNEL_CONNECTED), 0);
  EXPECT_EQ(lastStep().row, 5);
  // Ended without the stop command: the worker closed the event itself.
  EXPECT_EQ(ClientState::instance().stopEvent(), nullptr);
}

TEST_F(AccelerationStart, RoutesAreRemovedWhenTheTunnelEndsByItself) {
  tunedAdapter();
  test::ScriptedRouteTable table;
  table.adapters = {{12, "203.0.113.250", "255.255.255.248"}};
  test::LoopbackTunnelNode node("kestro", "abc123");
  test::LoopbackHttpServer service(accReply(node.port(), kTwoRoutes, serviceTime(kNow)));
  useService(service);
  run(test::distFolder(), WM_TUNNEL_CONNECTED);

  window.keepTunnelAddresses();
  claimRoutes(0);
  installRoutes(0);
  ClientState& state = ClientState::instance();
  ASSERT_TRUE(window.pumpUntilMessage(WM_ROUTES_READY, 5000));
  ASSERT_EQ(state.installedRoutes().size(), 2u);

  node.hangUp();
  EXPECT_TRUE(window.pumpUntilMessage(WM_TUNNEL_CLOSED, 30000));
  worker.join();
  EXPECT_TRUE(state.installedRoutes().empty());
  ASSERT_EQ(table.deletedRows().size(), 2u);
  EXPECT_EQ(table.deletedRows()[0].dwForwardDest, inet_addr("203.0.113.7"));
  EXPECT_EQ(state.stopEvent(), nullptr);
}

TEST_F(AccelerationStart, TheStartCommandRunsTheWorkerOnItsOwnThread) {
  tunedAdapter();
  test::LoopbackHttpServer service(R"({"error":"节点维护中"})");
  useService(service);
  test::CurrentFolder folder(test::distFolder());
  ASSERT_TRUE(startAccelerationWorker(std::make_unique<AccStartArgument>(AccStartArgument{5, 6, 2})));
  ASSERT_TRUE(window.recorder().pumpUntil([&](const auto&) { return window.steps().size() >= 6; }, 30000));
  EXPECT_EQ(lastStep(), (AccStepRecord{2, acctext::kTitleServiceRequest, kStepError, L"节点维护中"}));
  const auto requests = service.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].substr(requests[0].find("\r\n\r\n") + 4), "username=kestro&nodeid=5&gameid=6&voiceid=2");
}

}  // namespace
}  // namespace kestro
