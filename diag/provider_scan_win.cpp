#include "diag/provider_scan_win.h"

#include <objbase.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <optional>
#include <vector>

namespace kestro {
namespace {

struct CatalogueEntry {
  GUID providerId;
  bool foreign;
  std::wstring protocol;  // szProtocol, the entry's display name
};

struct GlobalFreer {
  void operator()(void* memory) const { GlobalFree(memory); }
};

std::wstring systemFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring{} : std::wstring(folder, length);
}

// The provider's DLL as the catalogue names it, environment strings expanded;
// empty when the catalogue cannot say.
std::wstring providerDll(GUID providerId, const std::wstring& systemFolder) {
  wchar_t path[MAX_PATH + 1] = {};
  int length = MAX_PATH;
  int error = 0;
  if (winsockCatalogueFunctions().providerPath(&providerId, path, &length, &error) == SOCKET_ERROR) return {};
  // Wine answers without naming a file: its providers are Winsock's own.
  if (path[0] == L'\0') return systemFolder.empty() ? std::wstring{} : systemFolder + L"\\ws2_32.dll";
  wchar_t expanded[MAX_PATH] = {};
  const DWORD expandedLength = ExpandEnvironmentStringsW(path, expanded, MAX_PATH);
  return expandedLength == 0 || expandedLength > MAX_PATH ? std::wstring{} : std::wstring(expanded);
}

// The catalogue in its order, each entry classed against the base providers;
// nothing when it cannot be read.
std::optional<std::vector<CatalogueEntry>> readCatalogue(const BaseProviderList& base) {
  const WinsockCatalogueFunctions& calls = winsockCatalogueFunctions();
  DWORD size = 0;
  int error = 0;
  if (calls.enumProtocols(nullptr, nullptr, &size, &error) == SOCKET_ERROR && error != WSAENOBUFS) {
    return std::nullopt;
  }
  const std::unique_ptr<void, GlobalFreer> buffer(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size));
  if (!buffer) return std::nullopt;
  auto* protocols = static_cast<WSAPROTOCOL_INFOW*>(buffer.get());
  const int count = calls.enumProtocols(nullptr, protocols, &size, &error);
  if (count == 0 || count == SOCKET_ERROR) return std::nullopt;
  // Never read past the buffer, whatever count the call reports.
  const size_t held = std::min<size_t>(static_cast<size_t>(count), GlobalSize(buffer.get()) / sizeof(WSAPROTOCOL_INFOW));

  const std::wstring system = systemFolder();
  std::vector<CatalogueEntry> entries;
  entries.reserve(held);
  for (size_t i = 0; i < held; ++i) {
    const WSAPROTOCOL_INFOW& protocol = protocols[i];
    wchar_t identifier[48] = {};
    StringFromGUID2(protocol.ProviderId, identifier, 48);
    const CatalogueEntryFacts facts{identifier, protocol.ProtocolChain.ChainLen, providerDll(protocol.ProviderId, system)};
    entries.push_back({protocol.ProviderId, !isBaseEntry(base, facts, system),
                       std::wstring(protocol.szProtocol, wcsnlen(protocol.szProtocol, WSAPROTOCOL_LEN + 1))});
  }
  return entries;
}

}  // namespace

WinsockCatalogueFunctions& winsockCatalogueFunctions() {
  // Never destroyed: detached workers may still use it while the process exits.
  static WinsockCatalogueFunctions* functions = new WinsockCatalogueFunctions;
  return *functions;
}

bool listForeignProviders(const BaseProviderList& base, bool& found, std::wstring& listing) {
  found = false;
  listing.clear();
  const std::optional<std::vector<CatalogueEntry>> entries = readCatalogue(base);
  if (!entries) return false;
  for (const CatalogueEntry& entry : *entries) {
    if (!entry.foreign) continue;
    found = true;
    listing += entry.protocol;
    listing += L"\r\n";
  }
  return true;
}

bool removeForeignProviders(const BaseProviderList& base, bool& removed) {
  removed = false;
  const std::optional<std::vector<CatalogueEntry>> entries = readCatalogue(base);
  if (!entries) return false;
  const WinsockCatalogueFunctions& calls = winsockCatalogueFunctions();
  for (const CatalogueEntry& entry : *entries) {
    if (!entry.foreign) continue;
    GUID providerId = entry.providerId;  // the call takes a non-const pointer
    int error = 0;
    calls.deinstallProvider(&providerId, &error);
    removed = true;
  }
  return true;
}

}  // namespace kestro
