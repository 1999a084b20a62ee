// Inspection and repair of the Winsock catalogue: every entry that is not
// Windows' own (isBaseEntry) is a foreign layered provider.
#pragma once

#include <winsock2.h>
#include <ws2spi.h>

#include <string>

#include "diag/base_providers.h"

namespace kestro {

// The catalogue calls, as a table that tests replace to script a catalogue. By
// default every entry is the real function. Replace entries only while no scan runs.
struct WinsockCatalogueFunctions {
  decltype(&::WSCEnumProtocols) enumProtocols = &::WSCEnumProtocols;
  decltype(&::WSCDeinstallProvider) deinstallProvider = &::WSCDeinstallProvider;
  decltype(&::WSCGetProviderPath) providerPath = &::WSCGetProviderPath;
};

// The table in use, shared by every thread of the process.
WinsockCatalogueFunctions& winsockCatalogueFunctions();

// Clears `found` and `listing`, then lists the display name of every foreign
// catalogue entry, one "%s\r\n" line per entry (a provider with three entries
// gives three lines). False when the catalogue cannot be read.
bool listForeignProviders(const BaseProviderList& base, bool& found, std::wstring& listing);

// Clears `removed`, reads the catalogue once, then asks Winsock to deinstall the
// provider of every foreign entry and sets `removed`. The outcome of each
// deinstallation is not looked at. False only when the catalogue cannot be read.
bool removeForeignProviders(const BaseProviderList& base, bool& removed);

}  // namespace kestro
