// How the acceleration workers reach the main window: step reports are sent
// (the worker waits until the window has handled them), everything else posted.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "accel/acc_step_record.h"

namespace kestro {

// Rewrites `record` with `state` and `detail` and sends WM_ACC_STEP (wParam:
// the record's attempt).
void sendAccStep(AccStepRecord& record, int32_t state, std::wstring detail = {});

// Posts `message` with wParam the acceleration attempt it belongs to and lParam 0.
void postAttemptReport(UINT message, uint32_t attempt);

// Posts `message` with wParam the attempt and lParam `record`; true when it
// was posted (the window then owns the record).
bool postAttemptPointer(UINT message, uint32_t attempt, void* record);

// Posts `record` for the window to own; one that could not be posted (no
// window, a full queue) is freed here.
template <typename Record>
void postAttemptRecord(UINT message, uint32_t attempt, std::unique_ptr<Record> record) {
  if (postAttemptPointer(message, attempt, record.get())) record.release();
}

}  // namespace kestro
