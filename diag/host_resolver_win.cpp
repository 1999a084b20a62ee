#include "diag/host_resolver_win.h"

#include <cstring>

#include "base/text_convert.h"

namespace kestro {

HostResolverFunctions& hostResolverFunctions() {
  // Never destroyed: detached workers may still use it while the process exits.
  static HostResolverFunctions* functions = new HostResolverFunctions;
  return *functions;
}

bool resolveHostAddress(const std::wstring& host, std::wstring& address) {
  const std::string name = toAnsi(host);
  const hostent* entry = hostResolverFunctions().getHostByName(name.c_str());
  if (entry == nullptr) return false;
  // An entry without an IPv4 address has nothing to probe.
  if (entry->h_addrtype != AF_INET || entry->h_length != sizeof(in_addr) || entry->h_addr_list == nullptr ||
      entry->h_addr_list[0] == nullptr) {
    return false;
  }
  in_addr first;
  std::memcpy(&first, entry->h_addr_list[0], sizeof first);
  address = fromAnsi(inet_ntoa(first));
  return true;
}

}  // namespace kestro
