#include "nodes/latency_report.h"

namespace kestro {

bool deliverLatencyReport(const LatencyReport& report, const std::function<bool(LatencyReport*)>& post) {
  auto owned = std::make_unique<LatencyReport>(report);
  if (!post(owned.get())) return false;
  owned.release();
  return true;
}

}  // namespace kestro
