// The two node workers. Both report to the main window by posted messages only
// and never touch it.
//
// Node fetch: WM_NODE_PROGRESS 5 and 15, node.php into `nodes` of the client
// state (replaced only after a complete reply), WM_NODE_LIST_READY, then every
// node probed at once (parallel_probe.h): WM_NODE_LATENCY as each probe ends,
// and WM_NODE_REFRESH_DONE after the last report; or WM_NODE_FETCH_FAILED with
// the catalogue unchanged.
//
// Latency refresh: WM_NODE_PROBING 0, then, every node at once, per node
// WM_NODE_PROBING with its id when its probe starts and WM_NODE_LATENCY when
// it ends, and WM_NODE_REFRESH_DONE after the last report.
//
// While probing, WM_NODE_PROGRESS shows the share of nodes finished and names
// the first node, in catalogue order, still being probed: once when the first
// probe starts and again as each probe but the last ends (coalesced when the
// window falls behind, the latest always shown before the run's end).
#pragma once

namespace kestro {

// Run on the calling thread.
void runNodeFetchWorker();
void runLatencyRefreshWorker();
// Start the run on a thread of its own that nobody joins.
void startNodeFetchWorker();
void startLatencyRefreshWorker();

}  // namespace kestro
