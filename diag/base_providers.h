// The five Winsock providers that come with Windows. Every catalogue entry of
// another provider counts as a foreign layered provider (LSP), whatever its kind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestro {

struct BaseProviderList {
  BaseProviderList();

  // In the brace form StringFromGUID2 writes, upper case.
  std::vector<std::wstring> identifiers;

  // Compares without regard to letter case: a catalogue may report an
  // identifier in lower case.
  bool contains(std::wstring_view identifier) const;
};

}  // namespace kestro
