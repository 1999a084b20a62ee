// The virtual adapters the stand-in driver tool (or a test) registered in the
// network adapter class key of the run's Wine prefix.
#pragma once

#include <string>
#include <vector>

namespace kestro::test {

struct RegisteredAdapter {
  std::wstring subkey;      // under the class key
  std::wstring instanceId;  // NetCfgInstanceId; empty when it has none
};

// Every adapter whose ComponentId is "kestro" in any letter case.
std::vector<RegisteredAdapter> kestroAdapters();

}  // namespace kestro::test
