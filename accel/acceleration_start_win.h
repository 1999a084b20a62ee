// The acceleration start worker: from the user's choice to a running tunnel in
// six reported steps (virtual adapter, network parameters, acc.php, clock,
// tunnel library, tunnel). It stays inside the tunnel library for the life of
// the tunnel and posts WM_TUNNEL_CLOSED when the library returns.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>

namespace kestro {

// The main window's choice when the start command ran.
struct AccStartArgument {
  int32_t nodeId = 0;
  int32_t gameId = 0;
  int32_t voiceId = 0;   // 0: no voice application
  uint32_t attempt = 0;  // ClientState::accelerationAttempt when the command ran
};

// Starts the worker on a new thread, which takes ownership of the argument;
// the thread handle is not kept. Sets ClientState::startWorkerRunning. False
// when no thread could be started.
// The window's answer to WM_TUNNEL_POSTS_HANDLED with its `marker` (wParam):
// everything the tunnel library posted before it has been handled, so its
// texts were read.
void acknowledgeTunnelPosts(uint32_t marker);

bool startAccelerationWorker(std::unique_ptr<AccStartArgument> argument);

// What the start command calls: startAccelerationWorker, unless a test of the
// window puts a recorder in its place.
std::function<bool(std::unique_ptr<AccStartArgument>)>& accelerationStarter();

// The worker's steps on the calling thread. Between steps it gives up when its
// attempt was cancelled (exit) or is no longer the current one. Its last act
// clears ClientState::startWorkerRunning and posts WM_ACC_WORKER_ENDED.
void runAccelerationStart(const AccStartArgument& argument);

// The local clock of the clock check (the C runtime's time by default); tests
// fix it to compare against a known service time.
std::function<std::time_t()>& accelerationLocalClock();

}  // namespace kestro
