// How the node workers report to the main window: posted messages only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/window_messages.h"

namespace kestro {

// Posts `message` to the main window; false when it is gone.
bool postToMainWindow(UINT message, LPARAM lParam);
// Rewrites the worker's static progress record and posts WM_NODE_PROGRESS with its address.
void postNodeProgress(ProgressRecord& record, int32_t percent, std::wstring text);
// Posts WM_NODE_LATENCY with a new report for the window to free.
void postLatencyReport(int32_t nodeId, int32_t latency);

}  // namespace kestro
