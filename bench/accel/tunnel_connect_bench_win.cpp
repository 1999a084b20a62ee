// The time from the start of the acceleration start worker to WM_TUNNEL_CONNECTED,
// against the reference service and node (KESTRO_SERVICE_URL, set by
// scripts/bench) and the program folder's stand-ins; each tunnel is stopped
// and its end awaited before the next start.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "accel/acceleration_start_win.h"
#include "app/client_state.h"
#include "app/program_folder_win.h"
#include "app/window_handles.h"
#include "app/window_messages.h"

namespace {

using namespace kestro;

constexpr int kRuns = 5;

UINT g_last = 0;

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TUNNEL_CONNECTED || message == WM_TUNNEL_CLOSED || message == WM_TUNNEL_ERROR) g_last = message;
  return DefWindowProcW(window, message, wParam, lParam);
}

bool pumpUntil(UINT wanted, DWORD ms) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  g_last = 0;
  while (g_last != wanted) {
    if (g_last == WM_TUNNEL_ERROR || GetTickCount64() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  return true;
}

std::wstring windowsPath(const char* linuxPath) {
  std::wstring path = L"Z:";
  for (const char* c = linuxPath; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return path;
}

}  // namespace

int wmain() {
  const char* service = std::getenv("KESTRO_SERVICE_URL");
  if (service == nullptr || *service == '\0') {
    std::printf("tunnel_connect_bench: KESTRO_SERVICE_URL is not set (scripts/bench starts the reference service)\n");
    return 1;
  }
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = procedure;
  windowClass.lpszClassName = L"KestroTunnelConnectBench";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowW(L"KestroTunnelConnectBench", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  WindowHandles::instance().mainWindow = window;
  SetCurrentDirectoryW(windowsPath(KESTRO_DIST_DIR).c_str());
  kestro::programFolderOverride() = windowsPath(KESTRO_DIST_DIR);
  ClientState& state = ClientState::instance();
  state.isWow64 = 1;
  state.setUserName(L"kestro");
  state.setPassword(L"kestro123");

  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    std::thread worker([] { runAccelerationStart({101, 1001, 1}); });
    const bool connected = pumpUntil(WM_TUNNEL_CONNECTED, 60000);
    const auto up = std::chrono::steady_clock::now();
    if (HANDLE event = static_cast<HANDLE>(state.takeStopEvent())) {
      SetEvent(event);
      CloseHandle(event);
    }
    if (connected) pumpUntil(WM_TUNNEL_CLOSED, 30000);
    worker.join();
    if (!connected) {
      std::printf("tunnel_connect_bench: run %d did not connect (are the reference service and node running?)\n", run);
      return 1;
    }
    times.push_back(std::chrono::duration<double, std::milli>(up - start).count());
    std::printf("  run %d: %.1f ms%s\n", run + 1, times.back(), run == 0 ? " (may include installing the adapter)" : "");
  }
  std::sort(times.begin(), times.end());
  std::printf("worker start to WM_TUNNEL_CONNECTED against the stand-ins: median %.1f ms, best %.1f ms of %d\n",
              times[times.size() / 2], times.front(), kRuns);
  return 0;
}
