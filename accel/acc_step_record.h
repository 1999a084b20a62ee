// The record behind every WM_ACC_STEP report: one static instance per worker
// (the start worker and the route installation thread), rewritten for each
// report. The message is sent, so the record may be reused as soon as it returns.
#pragma once

#include <cstdint>
#include <string>

namespace kestro {

// Step states, shared with the diagnosis rows.
inline constexpr int32_t kStepRunning = 0;
inline constexpr int32_t kStepOk = 1;
inline constexpr int32_t kStepError = 2;
inline constexpr int32_t kStepWarn = 3;

// Row of the route installation in the progress table; the start worker uses 0 to 5.
inline constexpr int32_t kRouteStepRow = 6;

struct AccStepRecord {
  int32_t row = 0;
  std::wstring title;
  int32_t state = kStepRunning;
  std::wstring detail;   // shown under the title for the error and warning states
  uint32_t attempt = 0;  // the acceleration attempt reporting (also the message's wParam)

  friend bool operator==(const AccStepRecord&, const AccStepRecord&) = default;
};

}  // namespace kestro
