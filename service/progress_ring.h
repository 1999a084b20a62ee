// The progress records a worker points its progress messages at. The window
// reads a record when the message arrives, on its own thread, so the worker
// never rewrites the record of a message that may still be on its way: each
// message gets the next of a few static slots, owned by the worker for the
// life of the process.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/window_messages.h"

namespace kestro {

template <size_t Slots>
class ProgressRing {
 public:
  // Fills the next slot and returns it, to be posted as the message's lParam.
  ProgressRecord* next(int32_t percent, std::wstring text) {
    ProgressRecord& record = slots_[cursor_.fetch_add(1) % Slots];
    record.percent = percent;
    record.text = std::move(text);
    return &record;
  }

 private:
  std::array<ProgressRecord, Slots> slots_{};
  std::atomic<size_t> cursor_{0};
};

}  // namespace kestro
