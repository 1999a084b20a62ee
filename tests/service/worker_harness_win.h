// Runs a service worker on its own thread against a loopback service and
// records what it posted to the window standing in for the login or main window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/service_url_win.h"

namespace kestro::test {

struct WorkerRun {
  std::vector<UINT> messages;           // every message, in arrival order
  std::vector<std::wstring> progress;   // "<percent> <text>" of each progress message
};

enum class ReportTo { LoginWindow, MainWindow };

// Runs `worker` until it has posted one of `finals` (or 30 s passed), joins it
// and returns what arrived. With `busyWindow` the window handles nothing until
// the worker has ended, as a window kept busy would.
WorkerRun runWorker(void (*worker)(), ReportTo window, const std::vector<UINT>& finals, bool busyWindow = false);

}  // namespace kestro::test
