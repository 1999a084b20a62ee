// The diagnosis worker: the six checks on the machine itself, reported to the
// main window with WM_DIAG_STEP (the step record) and WM_DIAG_DONE (the score),
// both sent, so the worker waits until the page has handled each report.
#pragma once

#include <windows.h>

namespace kestro {

// Thread procedure, started by the diagnosis page with no argument; the handle
// is not kept and nobody waits for it. Returns 0.
DWORD WINAPI diagnosisWorker(void* unused);

}  // namespace kestro
