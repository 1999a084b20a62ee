// How the node workers report to the main window: posted messages only.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/window_messages.h"

namespace kestro {

// Posts `message` to the main window; false when it is gone.
bool postToMainWindow(UINT message, LPARAM lParam);
// Posts WM_NODE_LATENCY with a new report for the window to free.
void postLatencyReport(int32_t nodeId, int32_t latency);

}  // namespace kestro
