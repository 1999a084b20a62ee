// How the acceleration workers reach the main window: step reports are sent
// (the worker waits until the window has handled them), everything else posted.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "accel/acc_step_record.h"

namespace kestro {

// Rewrites `record` with `state` and `detail` and sends WM_ACC_STEP.
void sendAccStep(AccStepRecord& record, int32_t state, std::wstring detail = {});

// Posts `message` with wParam 0 and lParam 0.
void postToMainWindow(UINT message);

}  // namespace kestro
