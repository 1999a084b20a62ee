#include "nodes/parallel_probe.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <queue>

#include "nodes/echo_tally.h"
#include "nodes/latency_probe.h"

namespace kestro {
namespace {

constexpr size_t kEchoesPerNode = 3;
constexpr DWORD kWorkerStackBytes = 64 * 1024;

// One echo waiting for its time: the first of each node at once, the others
// kEchoSpacingMs after the one before.
struct DueEcho {
  ULONGLONG at;
  size_t node;
  size_t echo;
  bool operator>(const DueEcho& other) const {
    if (at != other.at) return at > other.at;
    if (node != other.node) return node > other.node;
    return echo > other.echo;
  }
};

// The shared state of one probe: every thread takes the next due echo, sends
// it without the lock, and records its outcome.
class ProbeRun {
 public:
  ProbeRun(const std::vector<ProbeTarget>& targets, HANDLE icmp, const ProbeEvents& events)
      : targets_(targets), icmp_(icmp), events_(events), outcomes_(targets.size()), ended_(targets.size(), 0) {
    // The nodes' first echoes are spread over one spacing instead of leaving
    // in one burst: echoes sent at the same instant wait for one another on
    // their way out, and under Wine a burst of 60 added up to 40 ms to the
    // latencies measured. Spread, the echoes leave at an even pace and the
    // whole probe still ends within one spacing of its slowest node.
    const ULONGLONG now = GetTickCount64();
    const ULONGLONG stagger = kEchoSpacingMs / targets.size();
    for (size_t node = 0; node < targets.size(); ++node) due_.push({now + node * stagger, node, 0});
  }

  void work() {
    std::unique_lock lock(mutex_);
    const size_t total = targets_.size() * kEchoesPerNode;
    for (;;) {
      if (due_.empty()) {
        if (taken_ == total) return;
        changed_.wait(lock);
        continue;
      }
      const DueEcho next = due_.top();
      const ULONGLONG now = GetTickCount64();
      if (next.at > now) {
        changed_.wait_for(lock, std::chrono::milliseconds(next.at - now));
        continue;
      }
      due_.pop();
      ++taken_;
      if (next.echo == 0) {
        events_.started(next.node);
        for (size_t echo = 1; echo < kEchoesPerNode; ++echo) due_.push({now + echo * kEchoSpacingMs, next.node, echo});
      }
      // Another thread may take the next echo now, or end when none is left.
      changed_.notify_all();
      lock.unlock();
      const EchoOutcome outcome = sendNodeEcho(targets_[next.node].address, icmp_);
      lock.lock();
      outcomes_[next.node][next.echo] = outcome;
      if (++ended_[next.node] == kEchoesPerNode) events_.finished(next.node, nodeLatencyFrom(outcomes_[next.node]));
    }
  }

 private:
  const std::vector<ProbeTarget>& targets_;
  const HANDLE icmp_;
  const ProbeEvents& events_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::priority_queue<DueEcho, std::vector<DueEcho>, std::greater<>> due_;
  std::vector<std::array<EchoOutcome, kEchoesPerNode>> outcomes_;
  std::vector<size_t> ended_;
  size_t taken_ = 0;
};

DWORD WINAPI probeThread(void* run) {
  static_cast<ProbeRun*>(run)->work();
  return 0;
}

}  // namespace

void probeNodesInParallel(const std::vector<ProbeTarget>& targets, HANDLE icmp, const ProbeEvents& events,
                          size_t inFlight) {
  if (targets.empty()) return;
  if (icmp == INVALID_HANDLE_VALUE || icmp == nullptr) {
    for (size_t node = 0; node < targets.size(); ++node) {
      events.started(node);
      events.finished(node, kLatencyInvalidHandle);
    }
    return;
  }
  ProbeRun run(targets, icmp, events);
  // The calling thread is one of the senders; threads that cannot be made
  // only lower the number of echoes under way.
  const size_t helpers = std::min(std::max<size_t>(inFlight, 1), targets.size() * kEchoesPerNode) - 1;
  std::vector<HANDLE> threads;
  for (size_t i = 0; i < helpers; ++i) {
    if (HANDLE thread = CreateThread(nullptr, kWorkerStackBytes, probeThread, &run, STACK_SIZE_PARAM_IS_A_RESERVATION,
                                     nullptr)) {
      threads.push_back(thread);
    }
  }
  run.work();
  for (HANDLE thread : threads) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
}

}  // namespace kestro
