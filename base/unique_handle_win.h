// A kernel handle (event, pipe end, process, thread) that closes itself.
#pragma once

#include <windows.h>

namespace kestro {

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = other.release();
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return handle_; }
  HANDLE* receive() {
    reset();
    return &handle_;
  }
  explicit operator bool() const { return handle_ != nullptr; }
  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  // Closes the handle; false when CloseHandle failed.
  bool close() {
    if (handle_ == nullptr) return true;
    const BOOL closed = CloseHandle(handle_);
    handle_ = nullptr;
    return closed != FALSE;
  }
  void reset() { close(); }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace kestro
