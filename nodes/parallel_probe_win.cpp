#include "nodes/parallel_probe.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <queue>

#include "nodes/echo_tally.h"
#include "nodes/latency_probe.h"

namespace kestro {
namespace {

constexpr size_t kEchoesPerNode = 3;
// An echo whose APC never came (a driver that lost it) ends as unanswered
// this long after its own time-out, so that the probe always ends.
constexpr ULONGLONG kLostEchoMs = 1000 + 3000;

// One echo waiting for its time: the first of each node spread over one
// spacing, the others kEchoSpacingMs after the one before.
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

// Every echo is sent from the calling thread with an APC, and its outcome
// recorded when the APC runs in one of this thread's alertable waits. Under
// Wine a thread per echo under way made the latencies wait for a core: 100
// nodes on 2 cores differed from the one-after-another probe by up to 41 ms;
// from one thread, by 4 ms.
class ProbeRun {
 public:
  ProbeRun(const std::vector<ProbeTarget>& targets, HANDLE icmp, const ProbeEvents& events, size_t inFlight)
      : targets_(targets), icmp_(icmp), events_(events), bound_(std::max<size_t>(inFlight, 1)),
        due_(std::greater<>{}, reservedDueEchoes(targets.size())), echoes_(targets.size()),
        outcomes_(targets.size()), ended_(targets.size(), 0) {
    // The nodes' first echoes are spread over one spacing instead of leaving
    // in one burst: echoes sent at the same instant wait for one another on
    // their way out. The whole probe still ends within one spacing of its
    // slowest node.
    const ULONGLONG now = GetTickCount64();
    const ULONGLONG stagger = kEchoSpacingMs / targets.size();
    for (size_t node = 0; node < targets.size(); ++node) due_.push({now + node * stagger, node, 0});
    for (auto& node : echoes_) {
      for (Echo& echo : node) {
        echo.run = this;
        echo.async.owner = &echo;
        echo.async.ended = &ProbeRun::echoEnded;
      }
    }
  }

  // An exception from an event (a report that found no memory) stops the
  // sending; it is thrown on once every echo under way has ended, so that no
  // echo's record is freed while the system may still write its reply.
  void run() {
    while (!due_.empty() && !failure_) {
      try {
        sendNextDue();
      } catch (...) {
        failure_ = std::current_exception();
      }
    }
    while (underWay_ > 0) waitForAnEnd(GetTickCount64());
    if (failure_) std::rethrow_exception(failure_);
  }

  // Whether an echo was given up on: its APC may still come later.
  bool gaveUp() const { return gaveUp_; }

 private:
  struct Echo {
    AsyncNodeEcho async;
    ProbeRun* run = nullptr;
    size_t node = 0, index = 0;
    ULONGLONG sentAt = 0;
    bool underWay = false;
  };

  // At most every node's three echoes wait at once: reserved, so that no
  // allocation can fail while echoes are under way.
  static std::vector<DueEcho> reservedDueEchoes(size_t nodes) {
    std::vector<DueEcho> due;
    due.reserve(nodes * kEchoesPerNode);
    return due;
  }

  void sendNextDue() {
    const DueEcho next = due_.top();
    const ULONGLONG now = GetTickCount64();
    if (underWay_ >= bound_) {
      waitForAnEnd(now);
      return;
    }
    if (next.at > now) {
      SleepEx(static_cast<DWORD>(next.at - now), TRUE);
      return;
    }
    due_.pop();
    if (next.echo == 0) {
      events_.started(next.node);
      for (size_t echo = 1; echo < kEchoesPerNode; ++echo) due_.push({now + echo * kEchoSpacingMs, next.node, echo});
    }
    Echo& echo = echoes_[next.node][next.echo];
    echo.node = next.node;
    echo.index = next.echo;
    echo.sentAt = now;
    if (sendNodeEchoAsync(targets_[next.node].address, icmp_, echo.async)) {
      echo.underWay = true;
      ++underWay_;
    } else {
      record(next.node, next.echo, {});
    }
  }

  static void echoEnded(AsyncNodeEcho& async) {
    Echo& echo = *static_cast<Echo*>(async.owner);
    if (!echo.underWay) return;  // given up on already
    echo.underWay = false;
    --echo.run->underWay_;
    echo.run->record(echo.node, echo.index, asyncEchoOutcome(async));
  }

  // Lets the APCs of ended echoes run; gives up on an echo whose APC is long overdue.
  void waitForAnEnd(ULONGLONG now) {
    if (SleepEx(50, TRUE) == WAIT_IO_COMPLETION) return;
    for (auto& node : echoes_) {
      for (Echo& echo : node) {
        if (!echo.underWay || now < echo.sentAt + kLostEchoMs) continue;
        echo.underWay = false;
        --underWay_;
        gaveUp_ = true;
        record(echo.node, echo.index, {});
      }
    }
  }

  // Runs inside the echoes' APCs too, where no exception may pass: the first
  // one is kept for run() to throw, and no event follows it.
  void record(size_t node, size_t echo, EchoOutcome outcome) {
    outcomes_[node][echo] = outcome;
    if (++ended_[node] != kEchoesPerNode || failure_) return;
    try {
      if (events_.echoes) events_.echoes(node, outcomes_[node]);
      events_.finished(node, nodeLatencyFrom(outcomes_[node]));
    } catch (...) {
      failure_ = std::current_exception();
    }
  }

  const std::vector<ProbeTarget>& targets_;
  const HANDLE icmp_;
  const ProbeEvents& events_;
  const size_t bound_;
  std::priority_queue<DueEcho, std::vector<DueEcho>, std::greater<>> due_;
  // Each echo's record stays in place until its APC has run or the run ends.
  std::vector<std::array<Echo, kEchoesPerNode>> echoes_;
  std::vector<std::array<EchoOutcome, kEchoesPerNode>> outcomes_;
  std::vector<size_t> ended_;
  size_t underWay_ = 0;
  bool gaveUp_ = false;
  std::exception_ptr failure_;
};

}  // namespace

void probeNodesInParallel(const std::vector<ProbeTarget>& targets, HANDLE icmp, const ProbeEvents& events,
                          size_t inFlight) {
  if (targets.empty()) return;
  if (icmp == INVALID_HANDLE_VALUE || icmp == nullptr) {
    const std::array<EchoOutcome, kEchoesPerNode> unanswered{};
    for (size_t node = 0; node < targets.size(); ++node) {
      events.started(node);
      if (events.echoes) events.echoes(node, unanswered);
      events.finished(node, kLatencyInvalidHandle);
    }
    return;
  }
  auto run = std::make_unique<ProbeRun>(targets, icmp, events, inFlight);
  run->run();
  // An APC given up on could still come in a later alertable wait of this
  // thread: then its record stays allocated.
  if (run->gaveUp()) run.release();
}

}  // namespace kestro
