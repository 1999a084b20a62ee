#include "nodes/node_workers.h"

#include "app/client_state.h"
#include "base/detached_worker.h"
#include "nodes/latency_probe.h"
#include "nodes/node_catalogue.h"
#include "nodes/node_messages_win.h"
#include "nodes/node_progress.h"
#include "nodes/parallel_probe.h"
#include "service/progress_post_win.h"

namespace kestro {
namespace {

void postNodeProgress(int32_t percent, std::wstring text) {
  postProgress(WindowHandles::instance().mainWindow, WM_NODE_PROGRESS, percent, std::move(text));
}

std::vector<ProbeTarget> targetsOf(const std::map<int32_t, NodeRecord>& nodes) {
  std::vector<ProbeTarget> targets;
  for (const auto& [id, node] : nodes) targets.push_back({id, node.ip});
  return targets;
}

// Probes every node at once. Progress counts the nodes finished and names the
// first node, in catalogue order, whose result is still to come.
void probeCatalogue(const std::map<int32_t, NodeRecord>& nodes, bool announceProbing,
                    int32_t (*percent)(size_t done, size_t count), size_t count) {
  const IcmpHandle icmp;
  const std::vector<ProbeTarget> targets = targetsOf(nodes);
  std::vector<const NodeRecord*> records;
  for (const auto& entry : nodes) records.push_back(&entry.second);
  EntryProgress progress(WindowHandles::instance().mainWindow, WM_NODE_PROGRESS);
  std::vector<bool> finished(targets.size(), false);
  size_t done = 0;
  size_t firstPending = 0;
  const ProbeEvents events{
      [&](size_t index) {
        if (announceProbing) postToMainWindow(WM_NODE_PROBING, static_cast<LPARAM>(targets[index].id));
        if (index == 0) progress.entry(percent(0, count), probingText(records[0]->name));
      },
      [&](size_t index, int32_t latency) {
        postLatencyReport(targets[index].id, latency);
        finished[index] = true;
        ++done;
        while (firstPending < finished.size() && finished[firstPending]) ++firstPending;
        if (firstPending < finished.size()) progress.entry(percent(done, count), probingText(records[firstPending]->name));
      }};
  probeNodesInParallel(targets, icmp.get(), events);
  progress.flush();
}

void fetchAndProbeNodes() {
  postNodeProgress(5, L"正在获取加速节点列表");
  const ServiceReply reply = exchangeWithService(L"%snode.php", HttpMethod::Get, {}, ReplyShape::Array, kMaxNodes);
  if (!reply.ok()) {
    postToMainWindow(WM_NODE_FETCH_FAILED, 0);
    return;
  }
  postNodeProgress(15, L"正在解析加速节点列表");
  // A member of the wrong type shows only while the records are read.
  const std::optional<std::map<int32_t, NodeRecord>> nodes = nodeCatalogueFrom(reply);
  if (!nodes) {
    postToMainWindow(WM_NODE_FETCH_FAILED, 0);
    return;
  }
  ClientState::instance().setNodes(*nodes);
  postToMainWindow(WM_NODE_LIST_READY, 0);

  // Progress counts reply elements, duplicates included.
  probeCatalogue(*nodes, false, fetchProbeProgress, reply.size());
  postToMainWindow(WM_NODE_REFRESH_DONE, 0);
}

void refreshLatencies() {
  postToMainWindow(WM_NODE_PROBING, 0);
  // Only id, name and ip are read; ranking on the window thread changes none of them.
  const std::map<int32_t, NodeRecord> nodes = ClientState::instance().nodes();
  probeCatalogue(nodes, true, refreshProbeProgress, nodes.size());
  postToMainWindow(WM_NODE_REFRESH_DONE, 0);
}

}  // namespace

// A run that ran out of memory ends as its window expects a run to end: the
// fetch as failed (the list link offers a retry), the refresh as done.
void runNodeFetchWorker() {
  reportingExhaustion(fetchAndProbeNodes, [] { postToMainWindow(WM_NODE_FETCH_FAILED, 0); });
}

void runLatencyRefreshWorker() {
  reportingExhaustion(refreshLatencies, [] { postToMainWindow(WM_NODE_REFRESH_DONE, 0); });
}

void startNodeFetchWorker() { startDetachedWorker(runNodeFetchWorker); }

void startLatencyRefreshWorker() { startDetachedWorker(runLatencyRefreshWorker); }

}  // namespace kestro
