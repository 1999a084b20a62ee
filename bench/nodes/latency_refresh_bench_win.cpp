// The latency refresh in the test world (scripts/bench makes it):
// - the reference catalogue as the main window refreshes it (node.php from
//   the world's service, then every node probed), seconds and dead nodes;
// - the world's 100 benchmark hosts (20 never answer) probed one after
//   another, as the one-node probe goes, and all at once, in the same run:
//   the seconds of each, their ratio, and the largest difference between the
//   two results of a live host.
#include <windows.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/window_handles.h"
#include "app/window_messages.h"
#include "nodes/latency_probe.h"
#include "nodes/latency_report.h"
#include "nodes/node_workers.h"
#include "nodes/parallel_probe.h"
#include "tests/support/message_recorder_win.h"
#include "tests/support/wine_host_win.h"

namespace {

using kestro::test::MessageRecorder;

// Runs `worker` on its own thread; seconds until WM_NODE_REFRESH_DONE.
double timedRun(void (*worker)(), int& nodes, int& dead) {
  nodes = 0;
  dead = 0;
  MessageRecorder window([&](UINT message, WPARAM, LPARAM lParam) -> std::wstring {
    if (message == kestro::WM_NODE_LATENCY) {
      const auto report = kestro::adoptLatencyReport(lParam);
      ++nodes;
      if (report && report->latency == -5) ++dead;
    }
    return {};
  });
  kestro::WindowHandles::instance().mainWindow = window.window();
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  std::thread thread(worker);
  const bool done = window.pumpUntilMessage(kestro::WM_NODE_REFRESH_DONE, 600000);
  QueryPerformanceCounter(&end);
  thread.join();
  if (!done) return -1;
  return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double seconds(const LARGE_INTEGER& start) {
  LARGE_INTEGER frequency, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&end);
  return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::vector<kestro::ProbeTarget> benchmarkHosts(const char* dataFile) {
  std::ifstream in(std::filesystem::path(kestro::test::hostPath(dataFile)));
  const nlohmann::json data = nlohmann::json::parse(in, nullptr, false);
  std::vector<kestro::ProbeTarget> hosts;
  if (data.is_discarded()) return hosts;
  for (const auto& host : data["world"]["hosts"]) {
    if (!host.value("bench", false)) continue;
    const std::string ip = host.value("ip", "");
    hosts.push_back({static_cast<int32_t>(hosts.size() + 1), std::wstring(ip.begin(), ip.end())});
  }
  return hosts;
}

void compareSequentialAndParallel(const std::vector<kestro::ProbeTarget>& hosts) {
  const kestro::IcmpHandle icmp;
  std::vector<int32_t> sequential;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  for (const auto& host : hosts) sequential.push_back(kestro::probeNodeLatency(host.address, icmp.get()));
  const double sequentialSeconds = seconds(start);

  std::vector<int32_t> parallel(hosts.size(), 0);
  QueryPerformanceCounter(&start);
  kestro::probeNodesInParallel(hosts, icmp.get(),
                               {[](size_t) {}, [&](size_t index, int32_t latency) { parallel[index] = latency; }});
  const double parallelSeconds = seconds(start);

  int dead = 0;
  int largest = 0;
  for (size_t i = 0; i < hosts.size(); ++i) {
    if (sequential[i] == -5 && parallel[i] == -5) {
      ++dead;
    } else {
      largest = std::max(largest, std::abs(sequential[i] - parallel[i]));
    }
  }
  std::printf("latency refresh, %zu nodes (%d dead): sequential %.1f s, parallel %.2f s, ratio %.1f\n", hosts.size(),
              dead, sequentialSeconds, parallelSeconds, sequentialSeconds / parallelSeconds);
  std::printf("largest difference between the two probes for a live node: %d ms\n", largest);
}

}  // namespace

int wmain() {
  const char* world = std::getenv("KESTRO_WORLD_SERVICE_URL");
  if (world == nullptr || *world == '\0') {
    std::printf("latency refresh in the test world: skipped, no test world in this run\n");
    return 0;
  }
  _putenv_s("KESTRO_SERVICE_URL", world);
  int nodes = 0;
  int dead = 0;
  const double fetchAndRefresh = timedRun(kestro::runNodeFetchWorker, nodes, dead);
  std::printf("node list and latency refresh of the reference catalogue in the test world: %d nodes (%d dead), %.2f s\n",
              nodes, dead, fetchAndRefresh);
  const double refresh = timedRun(kestro::runLatencyRefreshWorker, nodes, dead);
  std::printf("latency refresh alone: %d nodes (%d dead), %.2f s\n", nodes, dead, refresh);
  if (const char* data = std::getenv("KESTRO_WORLD_DATA")) compareSequentialAndParallel(benchmarkHosts(data));
  return fetchAndRefresh < 0 || refresh < 0 ? 1 : 0;
}
