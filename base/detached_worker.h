// The one way the program starts a worker: a thread that nobody joins and
// whose handle is kept by no one, as every worker of the program runs.
#pragma once

#include <exception>
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

}  // namespace kestro
