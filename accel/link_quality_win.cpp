#include "accel/link_quality_win.h"

#include <windows.h>

#include "accel/link_quality.h"
#include "accel/link_report.h"
#include "app/client_state.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/detached_worker.h"
#include "nodes/icmp_handle_win.h"
#include "nodes/latency_probe.h"

namespace kestro {
namespace {

bool stillCurrent(const std::wstring& token) {
  const ClientState& state = ClientState::instance();
  return state.accelerating != 0 && state.monitorToken() == token;
}

void runProbe(const std::wstring& token) {
  const IcmpHandle icmp;
  LinkQualityWindow window;
  while (stillCurrent(token)) {
    const ULONGLONG started = GetTickCount64();
    const std::wstring gateway = ClientState::instance().tunnelGateway();
    // Without a gateway there is nothing to measure (an empty address would
    // become the broadcast address).
    if (!gateway.empty()) {
      window.add(sendNodeEcho(gateway, icmp.get()));
      const std::optional<uint32_t> latency = window.latestMs();
      if (stillCurrent(token)) {
        PostMessageW(static_cast<HWND>(WindowHandles::instance().mainWindow.load()), WM_LINK_QUALITY,
                     latency ? *latency : kLinkEchoLost, lossToReport(window.loss()));
      }
    }
    const ULONGLONG spent = GetTickCount64() - started;
    if (spent < kLinkQualityPeriodMs) Sleep(static_cast<DWORD>(kLinkQualityPeriodMs - spent));
  }
}

}  // namespace

void startLinkQualityProbe(const std::wstring& token) {
  // A sampler out of memory ends quietly: it has nothing to report then.
  startDetachedWorker([token] { reportingExhaustion([&] { runProbe(token); }, [] {}); });
}

}  // namespace kestro
