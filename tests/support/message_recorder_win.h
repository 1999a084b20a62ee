// A window that stands in for the login or main window in worker tests: it
// records every custom message (WM_USER and above) with a snapshot of what its
// lParam pointed at when it arrived, since workers rewrite their records.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kestro::test {

class MessageRecorder {
 public:
  struct Entry {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::wstring detail;  // what the snapshot function made of lParam
  };
  // Runs on the window's thread when a message arrives; may also free what
  // lParam owns (latency reports). Its text is kept as the entry's detail.
  using Snapshot = std::function<std::wstring(UINT message, WPARAM wParam, LPARAM lParam)>;
  // The answer returned to senders of a message (default 0).
  using Answer = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

  explicit MessageRecorder(Snapshot snapshot = {}, Answer answer = {});
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  HWND window() const { return window_; }

  // Pumps this thread's messages until `done` holds for the entries so far, or
  // `ms` have passed. Returns whether `done` held.
  bool pumpUntil(const std::function<bool(const std::vector<Entry>&)>& done, DWORD ms);
  // Pumps until a message `message` has arrived.
  bool pumpUntilMessage(UINT message, DWORD ms);

  const std::vector<Entry>& entries() const { return entries_; }
  std::vector<UINT> messages() const;

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  Snapshot snapshot_;
  Answer answer_;
  std::vector<Entry> entries_;
};

}  // namespace kestro::test
