// An ICMP handle opened through the seam and closed when the owner ends.
#pragma once

#include "nodes/icmp_seam_win.h"

namespace kestro {

class IcmpHandle {
 public:
  // Opens a handle with IcmpCreateFile; check valid().
  IcmpHandle();
  ~IcmpHandle();
  IcmpHandle(const IcmpHandle&) = delete;
  IcmpHandle& operator=(const IcmpHandle&) = delete;

  // INVALID_HANDLE_VALUE when the open failed; the probes then report the handle error.
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

}  // namespace kestro
