#include "nodes/node_messages_win.h"

#include "app/window_handles.h"
#include "nodes/latency_report.h"

namespace kestro {

bool postToMainWindow(UINT message, LPARAM lParam) {
  const HWND window = static_cast<HWND>(WindowHandles::instance().mainWindow.load());
  // A null window would post to this worker's own queue, where nobody reads.
  if (window == nullptr) return false;
  return PostMessageW(window, message, 0, lParam) != FALSE;
}

void postLatencyReport(int32_t nodeId, int32_t latency) {
  deliverLatencyReport({nodeId, latency}, [](LatencyReport* report) {
    return postToMainWindow(WM_NODE_LATENCY, reinterpret_cast<LPARAM>(report));
  });
}

}  // namespace kestro
