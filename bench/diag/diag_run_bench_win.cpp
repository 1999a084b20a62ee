// Times whole diagnosis runs as the main window sees them: the worker thread,
// name resolution, the process snapshots, the Winsock catalogue read and the
// twelve synchronous reports to a window, with every echo answered at once so
// that only the network is left out. Prints the mean time of a run and of
// each check.
#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/unique_handle_win.h"
#include "diag/diag_step_record.h"
#include "diag/diagnosis_worker_win.h"
#include "nodes/icmp_seam_win.h"

namespace {

using Clock = std::chrono::steady_clock;

const HANDLE kEchoHandle = reinterpret_cast<HANDLE>(0xB37C);

HANDLE WINAPI openEcho() { return kEchoHandle; }
BOOL WINAPI closeEcho(HANDLE) { return TRUE; }

// Every request is answered at once with a 1 ms echo time.
template <typename Apc>
DWORD WINAPI instantEcho(HANDLE, HANDLE, Apc, PVOID, IPAddr destination, LPVOID, WORD, PIP_OPTION_INFORMATION,
                         LPVOID reply, DWORD, DWORD) {
  auto* answer = static_cast<ICMP_ECHO_REPLY*>(reply);
  *answer = ICMP_ECHO_REPLY{};
  answer->Address = destination;
  answer->Status = IP_SUCCESS;
  answer->RoundTripTime = 1;
  return 1;
}

template <typename>
struct InstantEcho;
template <typename R, typename A, typename B, typename Apc, typename... Rest>
struct InstantEcho<R(WINAPI*)(A, B, Apc, Rest...)> {
  static constexpr auto function = &instantEcho<Apc>;
};

// When each report arrived, and the score.
std::vector<Clock::time_point> reportTimes;
LPARAM score = -1;

LRESULT CALLBACK pageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kestro::WM_DIAG_STEP) {
    reportTimes.push_back(Clock::now());
    return 0;
  }
  if (message == kestro::WM_DIAG_DONE) {
    reportTimes.push_back(Clock::now());
    score = lParam;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The bench waits for the worker's thread; the program's start keeps no handle.
DWORD WINAPI diagnosisThread(void*) {
  kestro::runDiagnosisWorker();
  return 0;
}

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

int wmain() {
  kestro::icmpFunctions().createFile = &openEcho;
  kestro::icmpFunctions().sendEcho2 = InstantEcho<decltype(&::IcmpSendEcho2)>::function;
  kestro::icmpFunctions().closeHandle = &closeEcho;

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &pageProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"KestroDiagBenchPage";
  RegisterClassW(&windowClass);
  // A message-only window: the bench needs no display.
  HWND page = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              windowClass.hInstance, nullptr);
  kestro::WindowHandles::instance().mainWindow = page;

  constexpr int kRuns = 20;
  const char* names[] = {"web site 1 (100 instant echoes)", "web site 2 (100 instant echoes)", "traffic programs",
                         "foreign providers", "driver firewall", "dial-up clients"};
  std::vector<double> checkTotals(6, 0.0);
  double runTotal = 0.0;
  double firstRun = 0.0;
  for (int run = 0; run < kRuns; ++run) {
    reportTimes.clear();
    const Clock::time_point start = Clock::now();
    const kestro::UniqueHandle thread(CreateThread(nullptr, 0, diagnosisThread, nullptr, 0, nullptr));
    HANDLE worker = thread.get();
    // Pump until the worker has ended; its reports are sent to this thread's window.
    while (MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    const Clock::time_point end = Clock::now();
    if (reportTimes.size() != 13) {
      std::printf("run %d: %zu reports instead of 13\n", run, reportTimes.size());
      return 1;
    }
    const double elapsed = millisecondsBetween(start, end);
    if (run == 0) firstRun = elapsed;
    runTotal += elapsed;
    // A check lasts from its start report to its verdict report.
    for (size_t check = 0; check < 6; ++check) {
      checkTotals[check] += millisecondsBetween(reportTimes[2 * check], reportTimes[2 * check + 1]);
    }
  }

  std::printf("diagnosis run without the network, %d runs, score %ld\n", kRuns, static_cast<long>(score));
  std::printf("  first run:                                   %8.3f ms\n", firstRun);
  std::printf("  whole run, mean:                            %8.3f ms\n", runTotal / kRuns);
  for (size_t check = 0; check < 6; ++check) {
    std::printf("  check %zu %-37s %8.3f ms\n", check + 1, names[check], checkTotals[check] / kRuns);
  }
  DestroyWindow(page);
  return 0;
}
