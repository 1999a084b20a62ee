// The two node workers. Both report to the main window by posted messages only
// and never touch it.
//
// Node fetch: WM_NODE_PROGRESS 5 and 15, node.php into `nodes` of the client
// state (replaced only after a complete reply), WM_NODE_LIST_READY, then per
// node in ascending id WM_NODE_PROGRESS and WM_NODE_LATENCY, and
// WM_NODE_REFRESH_DONE; or WM_NODE_FETCH_FAILED with the catalogue unchanged.
//
// Latency refresh: WM_NODE_PROBING 0, then per node of the catalogue in
// ascending id WM_NODE_PROBING with its id, WM_NODE_PROGRESS and
// WM_NODE_LATENCY, and WM_NODE_REFRESH_DONE.
#pragma once

namespace kestro {

// Run on the calling thread.
void runNodeFetchWorker();
void runLatencyRefreshWorker();
// Start the run on a thread of its own that nobody joins.
void startNodeFetchWorker();
void startLatencyRefreshWorker();

}  // namespace kestro
