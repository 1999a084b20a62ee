#include "nodes/icmp_seam_win.h"

namespace kestro {

IcmpFunctions& icmpFunctions() {
  // Never destroyed: detached workers may still use it while the process exits.
  static IcmpFunctions* functions = new IcmpFunctions;
  return *functions;
}

}  // namespace kestro
