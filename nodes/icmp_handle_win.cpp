#include "nodes/icmp_handle_win.h"

namespace kestro {

IcmpHandle::IcmpHandle() : handle_(icmpFunctions().createFile()) {}

IcmpHandle::~IcmpHandle() {
  if (valid()) icmpFunctions().closeHandle(handle_);
}

}  // namespace kestro
