// The two node workers. Both report to the main window by posted messages only
// and never touch it.
//
// Node fetch: WM_NODE_PROGRESS 5 and 15, node.php into `nodes` of the client
// state (replaced only after a complete reply), WM_NODE_LIST_READY, then every
// node probed at once (parallel_probe.h): per node WM_NODE_PROGRESS when its
// probe starts and WM_NODE_LATENCY when it ends, and WM_NODE_REFRESH_DONE after
// the last report; or WM_NODE_FETCH_FAILED with the catalogue unchanged.
//
// Latency refresh: WM_NODE_PROBING 0, then, every node at once, per node
// WM_NODE_PROBING with its id and WM_NODE_PROGRESS when its probe starts and
// WM_NODE_LATENCY when it ends, and WM_NODE_REFRESH_DONE after the last report.
// Progress is the share of nodes done with the name of the node started last.
#pragma once

namespace kestro {

// Run on the calling thread.
void runNodeFetchWorker();
void runLatencyRefreshWorker();
// Start the run on a thread of its own that nobody joins.
void startNodeFetchWorker();
void startLatencyRefreshWorker();

}  // namespace kestro
