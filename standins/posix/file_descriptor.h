// A POSIX file descriptor owned until its holder goes: the native stand-ins'
// sockets, TUN devices and namespace handles.
#pragma once

#include <unistd.h>

namespace kestro {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace kestro
