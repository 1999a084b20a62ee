#include "accel/link_monitor_win.h"

#include <windows.h>

#include <memory>

#include "accel/link_report.h"
#include "app/client_state.h"
#include "app/deployment.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/detached_worker.h"
#include "base/unique_handle_win.h"
#include "nodes/icmp_handle_win.h"
#include "nodes/latency_probe.h"

namespace kestro {
void startLinkMonitor(const std::wstring& token) {
  // The pause ends when the acceleration's stop event is set: a stopped
  // acceleration leaves no monitor asleep for minutes with its thread and
  // echo handle, however often it is started and stopped.
  HANDLE stop = nullptr;
  if (const EventHandle event = ClientState::instance().stopEvent()) {
    DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(event), GetCurrentProcess(), &stop, SYNCHRONIZE, FALSE, 0);
  }
  // A monitor out of memory ends quietly: it has nothing to report then.
  startDetachedWorker([token, wake = UniqueHandle(stop)] {
    reportingExhaustion(
        [&] {
          runLinkMonitor(token, [&](uint32_t ms) {
            if (wake) {
              WaitForSingleObject(wake.get(), ms);
            } else {
              Sleep(ms);
            }
          });
        },
        [] {});
  });
}

void runLinkMonitor(const std::wstring& token, const std::function<void(uint32_t ms)>& pause) {
  ClientState& state = ClientState::instance();
  while (state.accelerating != 0 && state.monitorToken() == token) {
    // The handle stays open over the pause and is closed before the next cycle.
    const IcmpHandle icmp;
    float averageMs = 0;
    float loss = 0;
    // Without a gateway from the tunnel there is nothing to measure (an empty
    // address would become the broadcast address).
    const std::wstring gateway = state.tunnelGateway();
    const bool probed = !gateway.empty() && probeLinkQuality(gateway, icmp.get(), averageMs, loss);
    // The hundred echoes take seconds: the acceleration measured must still be the current one.
    const bool stillCurrent = state.accelerating != 0 && state.monitorToken() == token;
    if (probed && stillCurrent && linkIsDegraded(averageMs, loss) && state.linkReportShown == 0) {
      const HWND window = static_cast<HWND>(WindowHandles::instance().mainWindow.load());
      SendMessageW(window, WM_LINK_DEGRADED, static_cast<WPARAM>(static_cast<uint32_t>(averageMs)), lossToReport(loss));
    }
    pause(linkMonitorPeriodMs(kLinkMonitorPeriodMs));
  }
}

}  // namespace kestro
