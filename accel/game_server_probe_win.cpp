#include "accel/game_server_probe_win.h"

#include <windows.h>

#include <atomic>
#include <memory>

#include "accel/game_server_figures.h"
#include "app/client_state.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/detached_worker.h"
#include "nodes/icmp_handle_win.h"
#include "nodes/parallel_probe.h"

namespace kestro {
namespace {

// The attempt whose direct measurement runs; 0 when none does. Never
// destroyed: a worker may still end while the process exits.
std::atomic<uint32_t>& measuringAttempt() {
  static auto* attempt = new std::atomic<uint32_t>(0);
  return *attempt;
}

// The servers' echoes of one parallel round, added to `round`.
void probeRound(const std::vector<ProbeTarget>& targets, HANDLE icmp, GameServerEchoes& round) {
  ProbeEvents events;
  events.started = [](size_t) {};
  events.finished = [](size_t, int32_t) {};
  events.echoes = [&](size_t server, std::span<const EchoOutcome> outcomes) {
    round.outcomes[server].insert(round.outcomes[server].end(), outcomes.begin(), outcomes.end());
  };
  probeNodesInParallel(targets, icmp, events);
}

std::vector<ProbeTarget> targetsOf(const std::vector<std::wstring>& servers) {
  std::vector<ProbeTarget> targets;
  for (const std::wstring& server : servers) targets.push_back({static_cast<int32_t>(targets.size()), server});
  return targets;
}

void post(std::unique_ptr<GameServerEchoes> round) {
  const HWND window = static_cast<HWND>(WindowHandles::instance().mainWindow.load());
  if (window != nullptr &&
      PostMessageW(window, WM_GAME_SERVER_ECHOES, round->attempt, reinterpret_cast<LPARAM>(round.get()))) {
    round.release();
  }
}

void measureDirectly(uint32_t attempt, const std::vector<std::wstring>& servers) {
  const IcmpHandle icmp;
  auto round = std::make_unique<GameServerEchoes>();
  round->attempt = attempt;
  round->direct = true;
  round->servers = servers;
  round->outcomes.resize(servers.size());
  const std::vector<ProbeTarget> targets = targetsOf(servers);
  for (size_t count = 0; count < kDirectRounds; ++count) probeRound(targets, icmp.get(), *round);
  post(std::move(round));
}

bool stillCurrent(const std::wstring& token) {
  const ClientState& state = ClientState::instance();
  return state.accelerating != 0 && state.monitorToken() == token;
}

void measureThroughTunnel(const std::wstring& token, uint32_t attempt, const std::vector<std::wstring>& servers) {
  const IcmpHandle icmp;
  const std::vector<ProbeTarget> targets = targetsOf(servers);
  while (stillCurrent(token)) {
    const ULONGLONG started = GetTickCount64();
    // Without a gateway the tunnel carries nothing yet: no echo.
    if (!ClientState::instance().tunnelGateway().empty()) {
      auto round = std::make_unique<GameServerEchoes>();
      round->attempt = attempt;
      round->servers = servers;
      round->outcomes.resize(servers.size());
      probeRound(targets, icmp.get(), *round);
      if (stillCurrent(token)) post(std::move(round));
    }
    const ULONGLONG spent = GetTickCount64() - started;
    if (spent < kAcceleratedRoundMs) Sleep(static_cast<DWORD>(kAcceleratedRoundMs - spent));
  }
}

}  // namespace

bool startDirectMeasurement(uint32_t attempt, std::vector<std::wstring> servers) {
  if (servers.empty()) return false;
  measuringAttempt() = attempt;
  const bool started = startDetachedWorker([attempt, servers = std::move(servers)] {
    // Out of memory the measurement ends without figures; the start goes on.
    reportingExhaustion([&] { measureDirectly(attempt, servers); }, [] {});
    uint32_t expected = attempt;
    measuringAttempt().compare_exchange_strong(expected, 0);
  });
  if (!started) measuringAttempt() = 0;
  return started;
}

void waitForDirectMeasurement(uint32_t attempt) {
  // Two rounds of at most 1.4 s each (a silent server's last echo waits a
  // second); the bound only guards against a round that never ends.
  constexpr ULONGLONG kBoundMs = 5000;
  const ULONGLONG deadline = GetTickCount64() + kBoundMs;
  while (measuringAttempt().load() == attempt && GetTickCount64() < deadline) Sleep(10);
}

void startAcceleratedMeasurement(const std::wstring& token, uint32_t attempt, std::vector<std::wstring> servers) {
  if (servers.empty()) return;
  startDetachedWorker([token, attempt, servers = std::move(servers)] {
    reportingExhaustion([&] { measureThroughTunnel(token, attempt, servers); }, [] {});
  });
}

}  // namespace kestro
