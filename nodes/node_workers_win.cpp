#include "nodes/node_workers.h"

#include <thread>

#include "app/client_state.h"
#include "nodes/latency_probe.h"
#include "nodes/node_catalogue.h"
#include "nodes/node_messages_win.h"
#include "nodes/node_progress.h"
#include "service/progress_ring.h"

namespace kestro {
namespace {

// Each worker's progress records, static and its own. The window reads a
// record when the message arrives, so successive messages use successive
// slots rather than rewriting one record that may still be read.
ProgressRing<64> fetchProgress;
ProgressRing<64> refreshProgress;

void postProgress(ProgressRing<64>& ring, int32_t percent, std::wstring text) {
  postToMainWindow(WM_NODE_PROGRESS, reinterpret_cast<LPARAM>(ring.next(percent, std::move(text))));
}

}  // namespace

void runNodeFetchWorker() {
  postProgress(fetchProgress, 5, L"正在获取加速节点列表");
  const ServiceReply reply = exchangeWithService(L"%snode.php", HttpMethod::Get, {}, ReplyShape::Array);
  if (!reply.ok()) {
    postToMainWindow(WM_NODE_FETCH_FAILED, 0);
    return;
  }
  postProgress(fetchProgress, 15, L"正在解析加速节点列表");
  // A member of the wrong type shows only while the records are read.
  const std::optional<std::map<int32_t, NodeRecord>> nodes = nodeCatalogueFrom(reply);
  if (!nodes) {
    postToMainWindow(WM_NODE_FETCH_FAILED, 0);
    return;
  }
  ClientState::instance().setNodes(*nodes);
  postToMainWindow(WM_NODE_LIST_READY, 0);

  const IcmpHandle icmp;
  const size_t count = reply.size();  // reply elements, duplicates included
  size_t index = 0;
  for (const auto& [id, node] : *nodes) {
    postProgress(fetchProgress, fetchProbeProgress(index, count), probingText(node.name));
    postLatencyReport(id, probeNodeLatency(node.ip, icmp.get()));
    ++index;
  }
  postToMainWindow(WM_NODE_REFRESH_DONE, 0);
}

void runLatencyRefreshWorker() {
  postToMainWindow(WM_NODE_PROBING, 0);
  const IcmpHandle icmp;
  // Only id, name and ip are read; ranking on the window thread changes none of them.
  const std::map<int32_t, NodeRecord> nodes = ClientState::instance().nodes();
  size_t index = 0;
  for (const auto& [id, node] : nodes) {
    postToMainWindow(WM_NODE_PROBING, static_cast<LPARAM>(id));
    postProgress(refreshProgress, refreshProbeProgress(index, nodes.size()), probingText(node.name));
    postLatencyReport(id, probeNodeLatency(node.ip, icmp.get()));
    ++index;
  }
  postToMainWindow(WM_NODE_REFRESH_DONE, 0);
}

void startNodeFetchWorker() { std::thread(runNodeFetchWorker).detach(); }

void startLatencyRefreshWorker() { std::thread(runLatencyRefreshWorker).detach(); }

}  // namespace kestro
