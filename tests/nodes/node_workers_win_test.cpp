// The node fetch and latency refresh workers, each run on a thread of its own
// against a scripted service on 127.0.0.1 and the scripted ICMP seam, with a
// recording window as the main window.
#include "nodes/node_workers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <thread>

#include "app/client_state.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "nodes/latency_report.h"
#include "tests/support/loopback_http_server_win.h"
#include "tests/nodes/scripted_icmp_win.h"
#include "tests/support/message_recorder_win.h"

namespace kestro {
namespace {

using test::LoopbackHttpServer;
using test::MessageRecorder;
using test::ScriptedEcho;
using test::ScriptedIcmp;

// One line per message: its name and what it carried, as the window saw it.
std::wstring describe(UINT message, LPARAM lParam) {
  switch (message) {
    case WM_NODE_PROGRESS: {
      const auto* record = reinterpret_cast<const ProgressRecord*>(lParam);
      return L"progress " + std::to_wstring(record->percent) + L" " + record->text;
    }
    case WM_NODE_LATENCY: {
      const std::unique_ptr<LatencyReport> report = adoptLatencyReport(lParam);
      return L"latency " + std::to_wstring(report->nodeId) + L" " + std::to_wstring(report->latency);
    }
    case WM_NODE_PROBING: return L"probing " + std::to_wstring(lParam);
    case WM_NODE_FETCH_FAILED: return L"failed";
    case WM_NODE_REFRESH_DONE: return L"done";
    case WM_NODE_LIST_READY: return L"ready";
    default: return L"unexpected " + std::to_wstring(message);
  }
}

std::wstring fetching() { return L"progress 5 正在获取加速节点列表"; }
std::wstring parsing() { return L"progress 15 正在解析加速节点列表"; }
std::wstring probing(int percent, const std::wstring& name) {
  return L"progress " + std::to_wstring(percent) + L" 正在测试本机到" + name + L"节点之间网络延时";
}

class NodeWorkers : public ::testing::Test {
 protected:
  void SetUp() override {
    resetRecorder();
    ClientState::instance().setNodes({});
  }
  void TearDown() override {
    WindowHandles::instance().mainWindow = nullptr;
    _putenv_s("KESTRO_SERVICE_URL", "");
  }

  // A fresh main window with nothing recorded yet.
  void resetRecorder() {
    recorder_.reset();
    recorder_ = std::make_unique<MessageRecorder>(
        [](UINT message, WPARAM, LPARAM lParam) { return describe(message, lParam); });
    WindowHandles::instance().mainWindow = recorder_->window();
  }

  static void useService(const std::string& baseUrl) { _putenv_s("KESTRO_SERVICE_URL", baseUrl.c_str()); }

  // Runs `worker` on its own thread until it reports its end; returns the lines.
  std::vector<std::wstring> run(void (*worker)()) {
    std::thread thread(worker);
    const bool ended = recorder_->pumpUntil(
        [](const std::vector<MessageRecorder::Entry>& entries) {
          return !entries.empty() && (entries.back().message == WM_NODE_REFRESH_DONE ||
                                      entries.back().message == WM_NODE_FETCH_FAILED);
        },
        20000);
    thread.join();
    EXPECT_TRUE(ended);
    std::vector<std::wstring> lines;
    for (const auto& entry : recorder_->entries()) lines.push_back(entry.detail);
    return lines;
  }

  std::unique_ptr<MessageRecorder> recorder_;
};

constexpr char kThreeNodes[] =
    R"([{"nid":7,"nodename":"七号","nodeip":"127.0.0.7","nodeload":0.25},)"
    R"({"nid":3,"nodename":"三号","nodeip":"127.0.0.3","nodeload":0.5},)"
    R"({"nid":5,"nodename":"五号","nodeip":"127.0.0.5","nodeload":0.75},)"
    R"({"nid":3,"nodename":"dropped","nodeip":"127.0.0.99","nodeload":0.1}])";

TEST_F(NodeWorkers, FetchReplacesTheCatalogueAndProbesEveryNode) {
  LoopbackHttpServer server([](const std::string&) {
    return LoopbackHttpServer::Response{200, kThreeNodes};
  });
  useService(server.baseUrl());
  ScriptedIcmp icmp;
  icmp.script("127.0.0.3", {ScriptedEcho::reply(20), ScriptedEcho::reply(30), ScriptedEcho::reply(41)});
  icmp.script("127.0.0.5", {ScriptedEcho::timeOut()});
  icmp.script("127.0.0.7", {ScriptedEcho::errorStatus(), ScriptedEcho::reply(30)});

  const std::vector<std::wstring> expected = {
      fetching(), parsing(), L"ready",
      // Four reply elements: 30 + i x 17.5.
      probing(30, L"三号"), L"latency 3 30",
      probing(47, L"五号"), L"latency 5 -5",
      probing(65, L"七号"), L"latency 7 353",
      L"done"};
  EXPECT_EQ(run(runNodeFetchWorker), expected);

  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].rfind("GET /node.php ", 0), 0u) << requests[0];
  const auto nodes = ClientState::instance().nodes();
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes.at(3).name, L"三号") << "the first of two equal ids wins";
  EXPECT_EQ(nodes.at(5).loadText, L"75.00%");
  EXPECT_EQ(nodes.at(5).loadKey, L"7500");
  EXPECT_EQ(nodes.at(7).latency, 999) << "latencies are written by the window when it ranks";
  EXPECT_EQ(icmp.calls().size(), 9u);
  EXPECT_EQ(icmp.opened(), 1);
  EXPECT_EQ(icmp.closed(), 1);
}

TEST_F(NodeWorkers, FailedFetchKeepsTheEarlierCatalogue) {
  const struct {
    const char* name;
    int status;
    const char* body;
    bool hangUp;
    bool parsed;  // the failure shows only while the records are read
  } cases[] = {
      {"closed without a reply", 200, "[]", true, false},
      {"status 500", 500, "[]", false, false},
      {"empty body", 200, "", false, false},
      {"not JSON", 200, "<html>busy</html>", false, false},
      {"an object, not an array", 200, R"({"nid":1})", false, false},
      {"an id given as text", 200, R"([{"nid":"1","nodename":"x"}])", false, true},
  };
  for (const auto& c : cases) {
    std::map<int32_t, NodeRecord> earlier;
    earlier[42].id = 42;
    earlier[42].name = L"earlier";
    ClientState::instance().setNodes(earlier);
    resetRecorder();

    LoopbackHttpServer server([&c](const std::string&) {
        return LoopbackHttpServer::Response{c.status, c.body, c.hangUp};
    });
    useService(server.baseUrl());
    ScriptedIcmp icmp;
    std::vector<std::wstring> expected = {fetching()};
    if (c.parsed) expected.push_back(parsing());
    expected.push_back(L"failed");
    EXPECT_EQ(run(runNodeFetchWorker), expected) << c.name;
    const auto nodes = ClientState::instance().nodes();
    ASSERT_EQ(nodes.size(), 1u) << c.name;
    EXPECT_EQ(nodes.at(42).name, L"earlier") << c.name;
    EXPECT_TRUE(icmp.calls().empty()) << c.name;
  }
}

TEST_F(NodeWorkers, FetchOfAnEmptyArrayEmptiesTheCatalogueWithoutProbes) {
  std::map<int32_t, NodeRecord> earlier;
  earlier[42].id = 42;
  ClientState::instance().setNodes(earlier);
  LoopbackHttpServer server([](const std::string&) {
    return LoopbackHttpServer::Response{200, "[]"};
  });
  useService(server.baseUrl());
  ScriptedIcmp icmp;
  const std::vector<std::wstring> expected = {fetching(), parsing(), L"ready", L"done"};
  EXPECT_EQ(run(runNodeFetchWorker), expected);
  EXPECT_TRUE(ClientState::instance().nodes().empty());
  EXPECT_TRUE(icmp.calls().empty());
}

TEST_F(NodeWorkers, FetchWithoutAnIcmpHandleReportsTheHandleErrorForEveryNode) {
  LoopbackHttpServer server([](const std::string&) {
    return LoopbackHttpServer::Response{200, R"([{"nid":1,"nodename":"甲"},{"nid":2,"nodename":"乙"}])"};
  });
  useService(server.baseUrl());
  ScriptedIcmp icmp;
  icmp.failOpen();
  const std::vector<std::wstring> expected = {fetching(), parsing(), L"ready", probing(30, L"甲"), L"latency 1 -1",
                                              probing(65, L"乙"), L"latency 2 -1", L"done"};
  EXPECT_EQ(run(runNodeFetchWorker), expected);
  EXPECT_EQ(icmp.closed(), 0) << "an invalid handle is not closed";
}

std::map<int32_t, NodeRecord> catalogue(std::initializer_list<std::tuple<int32_t, const wchar_t*, const wchar_t*>> rows) {
  std::map<int32_t, NodeRecord> nodes;
  for (const auto& [id, name, ip] : rows) {
    nodes[id].id = id;
    nodes[id].name = name;
    nodes[id].ip = ip;
  }
  return nodes;
}

TEST_F(NodeWorkers, RefreshProbesEveryNodeInAscendingId) {
  ClientState::instance().setNodes(catalogue({{40, L"丁", L"127.0.0.40"},
                                              {10, L"甲", L"127.0.0.10"},
                                              {30, L"丙", L"node-30.invalid"},
                                              {20, L"乙", L"127.0.0.20"}}));
  ScriptedIcmp icmp;
  icmp.script("127.0.0.10", {ScriptedEcho::reply(12)});
  icmp.script("127.0.0.20", {ScriptedEcho::reply(20), ScriptedEcho::reply(30), ScriptedEcho::reply(41)});
  icmp.script("127.0.0.40", {ScriptedEcho::timeOut(), ScriptedEcho::reply(10), ScriptedEcho::timeOut()});

  const std::vector<std::wstring> expected = {
      L"probing 0",
      L"probing 10", probing(0, L"甲"), L"latency 10 12",
      L"probing 20", probing(25, L"乙"), L"latency 20 30",
      L"probing 30", probing(50, L"丙"), L"latency 30 -5",
      L"probing 40", probing(75, L"丁"), L"latency 40 669",
      L"done"};
  EXPECT_EQ(run(runLatencyRefreshWorker), expected);
  const auto calls = icmp.calls();
  ASSERT_EQ(calls.size(), 12u);
  EXPECT_EQ(calls[6].destination, INADDR_NONE) << "text that is not dotted IPv4";
  EXPECT_EQ(icmp.opened(), 1);
  EXPECT_EQ(icmp.closed(), 1);
}

TEST_F(NodeWorkers, RefreshOfAnEmptyCatalogueGivesOnlyStartAndEnd) {
  ScriptedIcmp icmp;
  EXPECT_EQ(run(runLatencyRefreshWorker), (std::vector<std::wstring>{L"probing 0", L"done"}));
}

TEST_F(NodeWorkers, RefreshWithoutAnIcmpHandleStillWalksEveryNode) {
  ClientState::instance().setNodes(catalogue({{1, L"甲", L"127.0.0.1"}, {2, L"乙", L"127.0.0.2"}}));
  ScriptedIcmp icmp;
  icmp.failOpen();
  const std::vector<std::wstring> expected = {
      L"probing 0",
      L"probing 1", probing(0, L"甲"), L"latency 1 -1",
      L"probing 2", probing(50, L"乙"), L"latency 2 -1",
      L"done"};
  EXPECT_EQ(run(runLatencyRefreshWorker), expected);
}

TEST_F(NodeWorkers, RefreshEndsWhenTheWindowIsGone) {
  ClientState::instance().setNodes(catalogue({{1, L"甲", L"127.0.0.1"}, {2, L"乙", L"127.0.0.2"}}));
  ScriptedIcmp icmp;
  icmp.script("127.0.0.1", {ScriptedEcho::reply(5)});
  HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  WindowHandles::instance().mainWindow = gone;
  // Every post fails; the reports are freed by the worker (checked natively
  // under the leak sanitizer), and the run ends.
  runLatencyRefreshWorker();
  EXPECT_EQ(icmp.calls().size(), 6u);
  EXPECT_EQ(icmp.closed(), 1);
}

// Real echoes to 127.0.0.1 through Wine's ICMP.
TEST_F(NodeWorkers, RefreshAgainstRealLoopbackEchoes) {
  if (const std::string reason = test::loopbackEchoUnavailable(); !reason.empty()) GTEST_SKIP() << reason;
  ClientState::instance().setNodes(catalogue({{1, L"本机", L"127.0.0.1"}}));
  ScriptedIcmp icmp;
  icmp.script("127.0.0.1", {ScriptedEcho::realEcho()});
  const std::vector<std::wstring> lines = run(runLatencyRefreshWorker);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2], probing(0, L"本机"));
  const int latency = std::stoi(lines[3].substr(std::wstring(L"latency 1 ").size()));
  EXPECT_GE(latency, 0);
  EXPECT_LT(latency, 999);
}

}  // namespace
}  // namespace kestro
