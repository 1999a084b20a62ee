// Progress messages carry a record of their own: the worker allocates it for
// each message and the window frees it when it handles the message (or the
// worker, when the post fails). However many messages wait in the queue
// while the window is busy, each text stays the one its worker wrote.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "app/window_handles.h"
#include "app/window_messages.h"

namespace kestro {

inline void postProgress(const std::atomic<WindowHandle>& window, UINT message, int32_t percent, std::wstring text) {
  auto record = std::make_unique<ProgressRecord>(ProgressRecord{percent, std::move(text)});
  if (PostMessageW(static_cast<HWND>(window.load()), message, 0, reinterpret_cast<LPARAM>(record.get()))) {
    record.release();  // the window's now
  }
}

// The receiver's side: takes ownership of the record a progress message carries.
inline std::unique_ptr<ProgressRecord> adoptProgress(LPARAM lParam) {
  return std::unique_ptr<ProgressRecord>(reinterpret_cast<ProgressRecord*>(lParam));
}

}  // namespace kestro
