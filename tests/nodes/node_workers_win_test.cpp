// The node fetch and latency refresh workers, each run on a thread of its own
// against a scripted service on 127.0.0.1 and the scripted ICMP seam, with a
// recording window as the main window.
#include "nodes/node_workers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <thread>

#include "app/client_state.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/text_convert.h"
#include "nodes/latency_report.h"
#include "nodes/node_catalogue.h"
#include "service/progress_post_win.h"
#include "tests/nodes/scripted_icmp_win.h"
#include "tests/support/failing_allocations_win.h"
#include "tests/support/loopback_http_server_win.h"
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
      const auto record = adoptProgress(lParam);
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
// A node's progress line whatever its percentage (see byNode).
std::wstring probing(const std::wstring& name) { return L"progress * 正在测试本机到" + name + L"节点之间网络延时"; }

// Every node is probed at once, so their lines interleave: this keeps the
// lines before the first node's and after the last node's where they are and
// gathers each node's lines, in their own order, by ascending id. A progress
// line (its percentage starred) belongs to the node it names.
std::vector<std::wstring> byNode(const std::vector<std::wstring>& lines, const std::map<std::wstring, int>& ids) {
  std::vector<std::wstring> before, after;
  std::map<int, std::vector<std::wstring>> nodes;
  for (const std::wstring& line : lines) {
    int node = 0;
    std::wstring shown = line;
    if (line.starts_with(L"probing ") || line.starts_with(L"latency ")) {
      node = std::stoi(line.substr(8));
    } else if (line.starts_with(L"progress ")) {
      for (const auto& [name, id] : ids) {
        if (line == probing(std::stoi(line.substr(9)), name)) {
          node = id;
          shown = probing(name);
        }
      }
    }
    if (node != 0) {
      nodes[node].push_back(shown);
    } else {
      (nodes.empty() ? before : after).push_back(shown);
    }
  }
  for (const auto& [id, own] : nodes) before.insert(before.end(), own.begin(), own.end());
  before.insert(before.end(), after.begin(), after.end());
  return before;
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
      probing(L"三号"), L"latency 3 30",
      probing(L"五号"), L"latency 5 -5",
      probing(L"七号"), L"latency 7 353",
      L"done"};
  const std::vector<std::wstring> lines = run(runNodeFetchWorker);
  EXPECT_EQ(byNode(lines, {{L"三号", 3}, {L"五号", 5}, {L"七号", 7}}), expected);
  // Four reply elements: 30 + done x 17.5, for the share of nodes done when a probe starts.
  for (const std::wstring& line : lines) {
    if (line.starts_with(L"progress ") && line != fetching() && line != parsing()) {
      const int percent = std::stoi(line.substr(9));
      EXPECT_TRUE(percent == 30 || percent == 47 || percent == 65) << toUtf8(line);
    }
  }

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
  // Without a handle nothing waits: the nodes go one after the other.
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

TEST_F(NodeWorkers, RefreshProbesEveryNodeAtOnce) {
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
      L"probing 10", probing(L"甲"), L"latency 10 12",
      L"probing 20", probing(L"乙"), L"latency 20 30",
      L"probing 30", probing(L"丙"), L"latency 30 -5",
      L"probing 40", probing(L"丁"), L"latency 40 669",
      L"done"};
  EXPECT_EQ(byNode(run(runLatencyRefreshWorker), {{L"甲", 10}, {L"乙", 20}, {L"丙", 30}, {L"丁", 40}}), expected);
  // Text that is not dotted IPv4 is never sent (it would be the all-ones
  // broadcast address): three echoes for each of the other three nodes.
  const auto calls = icmp.calls();
  ASSERT_EQ(calls.size(), 9u);
  for (const auto& call : calls) EXPECT_NE(call.destination, INADDR_NONE);
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
      L"probing 1", probing(0, L"甲"), L"latency 1 -1", probing(50, L"乙"),
      L"probing 2", L"latency 2 -1",
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

// Progress moves as probes end, not as they start (every probe starts at
// once), and names the first node, in catalogue order, still being probed.
TEST_F(NodeWorkers, ProgressCountsTheNodesFinishedAndNamesOneStillProbed) {
  ClientState::instance().setNodes(catalogue({{1, L"甲", L"127.0.0.1"}, {2, L"乙", L"127.0.0.2"}, {3, L"丙", L"127.0.0.3"}}));
  ScriptedIcmp icmp;
  icmp.script("127.0.0.1", {ScriptedEcho::reply(10)});
  icmp.script("127.0.0.2", {ScriptedEcho::held(1000)});
  icmp.script("127.0.0.3", {ScriptedEcho::reply(30)});
  std::vector<std::wstring> shown;
  for (const std::wstring& line : run(runLatencyRefreshWorker))
    if (line.starts_with(L"progress ") || line.starts_with(L"latency ")) shown.push_back(line);
  const std::vector<std::wstring> expected = {probing(0, L"甲"),  L"latency 1 10", probing(33, L"乙"),
                                              L"latency 3 30",    probing(66, L"乙"), L"latency 2 1000"};
  EXPECT_EQ(shown, expected);
}

TEST_F(NodeWorkers, ANodeListLongerThanTheBoundFailsAndChangesNothing) {
  std::map<int32_t, NodeRecord> earlier;
  earlier[42].id = 42;
  ClientState::instance().setNodes(earlier);
  std::string body = "[";
  for (size_t i = 0; i <= kMaxNodes; ++i)
    body += (i ? "," : "") + std::string(R"({"nid":)") + std::to_string(i + 1) + R"(,"nodeip":"127.0.0.1"})";
  LoopbackHttpServer server([&body](const std::string&) { return LoopbackHttpServer::Response{200, body + "]"}; });
  useService(server.baseUrl());
  ScriptedIcmp icmp;
  EXPECT_EQ(run(runNodeFetchWorker), (std::vector<std::wstring>{fetching(), L"failed"}));
  EXPECT_EQ(ClientState::instance().nodes().count(42), 1u);
  EXPECT_TRUE(icmp.calls().empty());
}

// Out of memory, each worker ends its run as the window expects a run to end.
TEST_F(NodeWorkers, FetchOutOfMemoryReportsAFailedFetch) {
  std::map<int32_t, NodeRecord> earlier;
  earlier[42].id = 42;
  ClientState::instance().setNodes(earlier);
  const std::string body = R"([{"nid":1,"nodename":")" + std::string(64 * 1024, 'x') + "\"}]";
  LoopbackHttpServer server([&body](const std::string&) { return LoopbackHttpServer::Response{200, body}; });
  useService(server.baseUrl());
  ScriptedIcmp icmp;
  const std::vector<std::wstring> lines = run(+[] {
    test::FailingAllocations failing(16 * 1024);
    runNodeFetchWorker();
  });
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), L"failed");
  EXPECT_EQ(ClientState::instance().nodes().count(42), 1u);
}

TEST_F(NodeWorkers, RefreshOutOfMemoryEndsTheRun) {
  ClientState::instance().setNodes(catalogue({{1, std::wstring(16 * 1024, L'x').c_str(), L"127.0.0.1"}}));
  ScriptedIcmp icmp;
  const std::vector<std::wstring> lines = run(+[] {
    test::FailingAllocations failing(16 * 1024);
    runLatencyRefreshWorker();
  });
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"probing 0", L"done"}));
}

}  // namespace
}  // namespace kestro
