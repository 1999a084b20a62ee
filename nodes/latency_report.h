// One node's latency result on its way from a worker to the main window: the
// worker allocates it for WM_NODE_LATENCY and the window frees it. When the
// post fails (the window is gone) the worker frees it instead.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace kestro {

struct LatencyReport {
  int32_t nodeId = 0;
  int32_t latency = 0;  // a three-echo result: ms, or a negative probe code
};
static_assert(sizeof(LatencyReport) == 8);

// Allocates a copy of `report` and hands it to `post`. When `post` returns
// true the receiver owns the copy; otherwise it is freed here. Returns what
// `post` returned.
bool deliverLatencyReport(const LatencyReport& report, const std::function<bool(LatencyReport*)>& post);

// The receiver's side: takes ownership of the report a WM_NODE_LATENCY carries.
inline std::unique_ptr<LatencyReport> adoptLatencyReport(intptr_t lParam) {
  return std::unique_ptr<LatencyReport>(reinterpret_cast<LatencyReport*>(lParam));
}

}  // namespace kestro
