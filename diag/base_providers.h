// The Winsock providers that come with Windows. Every other catalogue entry
// counts as a foreign layered provider (LSP), whatever its kind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestro {

// The five base providers every Windows has.
struct BaseProviderList {
  BaseProviderList();

  // In the brace form StringFromGUID2 writes, upper case.
  std::vector<std::wstring> identifiers;

  // Compares without regard to letter case: a catalogue may report an
  // identifier in lower case.
  bool contains(std::wstring_view identifier) const;
};

// A catalogue entry's protocol chain length (ProtocolChain.ChainLen): 0 is a
// layered provider, 1 a base protocol, more a chain over other entries.
inline constexpr int kBaseProtocolChain = 1;

// What decides whether a catalogue entry is Windows' own.
struct CatalogueEntryFacts {
  std::wstring identifier;  // the provider's identifier in brace form
  int chainLength = 0;
  std::wstring dllPath;     // the provider's DLL, environment strings expanded; empty when unknown
};

// One of the five base providers, or a base protocol (neither layered nor a
// chain) whose DLL lies directly in `systemFolder`: Windows' newer providers
// (AF_UNIX, Hyper-V sockets and the like) are not among the five, and
// deinstalling them would damage the system. Layered entries and chains of
// any vendor, and base providers with their DLL elsewhere, are foreign.
bool isBaseEntry(const BaseProviderList& base, const CatalogueEntryFacts& entry, std::wstring_view systemFolder);

}  // namespace kestro
