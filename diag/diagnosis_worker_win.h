// The diagnosis worker: the six checks on the machine itself, reported to the
// main window with WM_DIAG_STEP (the step record) and WM_DIAG_DONE (the score),
// both sent, so the worker waits until the page has handled each report.
#pragma once

#include <cstdint>
#include <functional>

namespace kestro {

// The score WM_DIAG_DONE carries when the run could not finish (memory ran out).
inline constexpr int32_t kDiagnosisFailed = -1;

// The worker's body: the whole run on the calling thread.
void runDiagnosisWorker();

// Starts the worker on a thread nobody waits for; false when no thread could
// be started. Tests replace it (a thread that cannot start, say).
std::function<bool()>& diagnosisStarter();

}  // namespace kestro
