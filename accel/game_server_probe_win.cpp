#include "accel/game_server_probe_win.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <span>

#include "accel/game_server_figures.h"
#include "accel/main_window_reports_win.h"
#include "app/client_state.h"
#include "app/deployment.h"
#include "app/window_messages.h"
#include "base/detached_worker.h"
#include "nodes/icmp_handle_win.h"
#include "nodes/latency_probe.h"
#include "nodes/parallel_probe.h"

namespace kestro {
namespace {

// The attempt whose direct measurement runs; kNoAttempt when none does.
// Never destroyed: a worker may still end while the process exits.
std::atomic<uint32_t>& measuringAttempt() {
  static auto* attempt = new std::atomic<uint32_t>(ClientState::kNoAttempt);
  return *attempt;
}

std::vector<ProbeTarget> targetsOf(const std::vector<std::wstring>& servers, size_t rounds) {
  std::vector<ProbeTarget> targets;
  for (size_t round = 0; round < rounds; ++round) {
    for (const std::wstring& server : servers) targets.push_back({static_cast<int32_t>(targets.size()), server});
  }
  return targets;
}

std::unique_ptr<GameServerEchoes> newRecord(uint32_t attempt, bool direct, const std::vector<std::wstring>& servers) {
  auto record = std::make_unique<GameServerEchoes>();
  record->attempt = attempt;
  record->direct = direct;
  record->servers = servers;
  record->outcomes.resize(servers.size());
  return record;
}

// Every server appears kDirectRounds times in one parallel run: its echoes
// go out together, so a silent server costs one time-out, not one per round.
void measureDirectly(uint32_t attempt, const std::vector<std::wstring>& servers) {
  const IcmpHandle icmp;
  std::unique_ptr<GameServerEchoes> record = newRecord(attempt, true, servers);
  ProbeEvents events;
  events.started = [](size_t) {};
  events.finished = [](size_t, int32_t) {};
  events.echoes = [&](size_t target, std::span<const EchoOutcome> outcomes) {
    std::vector<EchoOutcome>& kept = record->outcomes[target % servers.size()];
    kept.insert(kept.end(), outcomes.begin(), outcomes.end());
  };
  probeNodesInParallel(targetsOf(servers, kDirectRounds), icmp.get(), events);
  postAttemptRecord(WM_GAME_SERVER_ECHOES, attempt, std::move(record));
}

bool stillCurrent(const std::wstring& token) {
  const ClientState& state = ClientState::instance();
  return state.accelerating != 0 && state.monitorToken() == token;
}

// One echo a server a round, each waited for before the next, as the live
// link probe sends its own: under Wine an asynchronous echo still under way
// when its process ends leaves the prefix's IP Helper stuck (seen in the test
// world), a waited-for one does not. A server silent for kSilentRoundsDropped
// rounds in a row is asked no more: its echoes would only wait out their
// time-outs.
void measureThroughTunnel(const std::wstring& token, uint32_t attempt, const std::vector<std::wstring>& servers) {
  constexpr int kSilentRoundsDropped = 2;
  const IcmpHandle icmp;
  std::vector<int> silentRounds(servers.size(), 0);
  while (stillCurrent(token)) {
    const ULONGLONG started = GetTickCount64();
    for (size_t server = 0; server < servers.size() && stillCurrent(token); ++server) {
      // Without a gateway the tunnel carries nothing yet: no echo.
      if (silentRounds[server] >= kSilentRoundsDropped || ClientState::instance().tunnelGateway().empty()) continue;
      const EchoOutcome outcome = sendNodeEcho(servers[server], icmp.get());
      silentRounds[server] = outcome.answered ? 0 : silentRounds[server] + 1;
      if (!stillCurrent(token)) break;
      std::unique_ptr<GameServerEchoes> record = newRecord(attempt, false, servers);
      record->outcomes[server].push_back(outcome);
      postAttemptRecord(WM_GAME_SERVER_ECHOES, attempt, std::move(record));
    }
    const ULONGLONG spent = GetTickCount64() - started;
    if (spent < kAcceleratedRoundMs) Sleep(static_cast<DWORD>(kAcceleratedRoundMs - spent));
  }
}

}  // namespace

bool startDirectMeasurement(uint32_t attempt, std::vector<std::wstring> servers) {
  if (servers.empty() || !gameServerEchoesWanted()) return false;
  measuringAttempt() = attempt;
  const bool started = startDetachedWorker([attempt, servers = std::move(servers)] {
    // Out of memory the measurement ends without figures; the start goes on.
    reportingExhaustion([&] { measureDirectly(attempt, servers); }, [] {});
    uint32_t expected = attempt;
    measuringAttempt().compare_exchange_strong(expected, ClientState::kNoAttempt);
  });
  if (!started) measuringAttempt() = ClientState::kNoAttempt;
  return started;
}

void waitForDirectMeasurement(uint32_t attempt) {
  // One parallel run of at most 1.4 s (a silent server's last echo waits a
  // second); the bound only guards against a run that never ends.
  constexpr ULONGLONG kBoundMs = 5000;
  const ULONGLONG deadline = GetTickCount64() + kBoundMs;
  while (measuringAttempt().load() == attempt && GetTickCount64() < deadline) Sleep(10);
}

void startAcceleratedMeasurement(const std::wstring& token, uint32_t attempt, std::vector<std::wstring> servers) {
  if (servers.empty() || !gameServerEchoesWanted()) return;
  startDetachedWorker([token, attempt, servers = std::move(servers)] {
    reportingExhaustion([&] { measureThroughTunnel(token, attempt, servers); }, [] {});
  });
}

}  // namespace kestro
