// Name resolution for the diagnosis's web-site checks.
#pragma once

#include <winsock2.h>

#include <string>

namespace kestro {

// The resolver call, as a table that tests replace to script a name that does
// not resolve without asking a DNS server. By default the real function.
// Replace it only while no diagnosis runs.
struct HostResolverFunctions {
  decltype(&::gethostbyname) getHostByName = &::gethostbyname;
};

// The table in use, shared by every thread of the process.
HostResolverFunctions& hostResolverFunctions();

// Looks `host` up (in the system code page) and writes the first IPv4 address
// of its entry as dotted text. False when the name does not resolve or its
// entry holds no IPv4 address. Winsock must be started.
bool resolveHostAddress(const std::wstring& host, std::wstring& address);

}  // namespace kestro
