// The one way the program starts a worker: a thread that nobody joins and
// whose handle is kept by no one, as every worker of the program runs.
#pragma once

#include <exception>
#include <new>
#include <thread>
#include <utility>

namespace kestro {

// Runs `work` (moved onto the new thread) and forgets the thread. False, with
// `work` not run, when the system could not start a thread.
template <typename Work>
bool startDetachedWorker(Work&& work) noexcept {
  try {
    std::thread(std::forward<Work>(work)).detach();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// Runs `work` on the calling thread; when memory runs out inside it, runs
// `failed` instead. An exception that leaves a thread's function ends the
// whole program (and the elevated program's routes would stay): a worker
// whose data outgrew the process reports its failure like any other. The
// stack is unwound before `failed` runs, so what the work held is free again.
template <typename Work, typename Failed>
void reportingExhaustion(Work&& work, Failed&& failed) {
  try {
    work();
  } catch (const std::bad_alloc&) {
    failed();
  }
}

}  // namespace kestro
