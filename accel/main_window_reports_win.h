// How the acceleration workers reach the main window: step reports are sent
// (the worker waits until the window has handled them), everything else posted.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "accel/acc_step_record.h"

namespace kestro {

// Rewrites `record` with `state` and `detail` and sends WM_ACC_STEP (wParam:
// the record's attempt).
void sendAccStep(AccStepRecord& record, int32_t state, std::wstring detail = {});

// Posts `message` with wParam the acceleration attempt it belongs to and lParam 0.
void postAttemptReport(UINT message, uint32_t attempt);

}  // namespace kestro
