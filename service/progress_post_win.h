// Progress messages carry a record of their own: the worker allocates it for
// each message and the window frees it when it handles the message (or the
// worker, when the post fails). A worker's few steps are each posted; the
// progress it reports per catalogue entry or per node is coalesced, so that a
// catalogue of thousands cannot flood the window's queue (Windows refuses
// posts beyond 10000 waiting messages, and the worker's final message must
// still get in).
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "app/window_handles.h"
#include "app/window_messages.h"

namespace kestro {

// Per-entry progress messages of one reporter that may wait in the queue at once.
inline constexpr int kProgressEntriesWaiting = 16;

namespace detail {

// What a progress message points at: the record and, for per-entry progress,
// the count of its reporter's messages still waiting in the queue.
struct PostedProgress : ProgressRecord {
  std::shared_ptr<std::atomic<int>> waiting;
};

// A null window is no window: PostMessage would put the message into the
// worker's own queue, where nobody reads it and its record would leak.
inline bool postProgressRecord(const std::atomic<WindowHandle>& window, UINT message, ProgressRecord record,
                               const std::shared_ptr<std::atomic<int>>& waiting) {
  const HWND target = static_cast<HWND>(window.load());
  if (target == nullptr) return false;
  auto posted = std::make_unique<PostedProgress>(PostedProgress{std::move(record), waiting});
  if (waiting) ++*waiting;
  if (!PostMessageW(target, message, 0, reinterpret_cast<LPARAM>(static_cast<ProgressRecord*>(posted.get())))) {
    if (waiting) --*waiting;
    return false;
  }
  posted.release();  // the window's now
  return true;
}

}  // namespace detail

// One of a worker's steps. False when there was no window to take it.
inline bool postProgress(const std::atomic<WindowHandle>& window, UINT message, int32_t percent, std::wstring text) {
  return detail::postProgressRecord(window, message, {percent, std::move(text)}, nullptr);
}

// The progress of one run over many entries. Each entry is posted while fewer
// than kProgressEntriesWaiting of this run's entries wait in the queue;
// beyond that the latest is kept (replacing one kept before) and posted at the
// next entry once the window has caught up, or by flush().
class EntryProgress {
 public:
  EntryProgress(const std::atomic<WindowHandle>& window, UINT message) : window_(window), message_(message) {}

  void entry(int32_t percent, std::wstring text) {
    kept_ = ProgressRecord{percent, std::move(text)};
    if (waiting_->load() < kProgressEntriesWaiting) postKept();
  }

  // Posts the entry kept back, if any: called before the run's final message,
  // so that the window ends on the latest figures.
  void flush() {
    if (kept_) postKept();
  }

 private:
  void postKept() {
    detail::postProgressRecord(window_, message_, *std::move(kept_), waiting_);
    kept_.reset();
  }

  const std::atomic<WindowHandle>& window_;
  const UINT message_;
  const std::shared_ptr<std::atomic<int>> waiting_ = std::make_shared<std::atomic<int>>(0);
  std::optional<ProgressRecord> kept_;
};

// The receiver's side: takes ownership of the record a progress message carries.
inline std::unique_ptr<ProgressRecord> adoptProgress(LPARAM lParam) {
  const std::unique_ptr<detail::PostedProgress> posted(
      static_cast<detail::PostedProgress*>(reinterpret_cast<ProgressRecord*>(lParam)));
  if (posted == nullptr) return nullptr;
  if (posted->waiting) --*posted->waiting;
  return std::make_unique<ProgressRecord>(std::move(static_cast<ProgressRecord&>(*posted)));
}

}  // namespace kestro
