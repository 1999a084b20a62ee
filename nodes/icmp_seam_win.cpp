#include "nodes/icmp_seam_win.h"

namespace kestro {

IcmpFunctions& icmpFunctions() {
  static IcmpFunctions functions;
  return functions;
}

}  // namespace kestro
