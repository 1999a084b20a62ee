#include "diag/provider_scan_win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/text_convert.h"
#include "tests/diag/scripted_scans_win.h"

namespace kestro {
namespace {

using test::catalogueEntry;
using test::ScriptedCatalogue;

constexpr wchar_t kTcpIp[] = L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}";
constexpr wchar_t kTcpIp6[] = L"{F9EAB0C0-26D4-11D0-BBBF-00AA006C34E4}";
constexpr wchar_t kNetBios[] = L"{8D5F1830-C273-11CF-95C8-00805F48A192}";
constexpr wchar_t kForeign[] = L"{3C2D9F4B-6A1E-4C8B-9F10-0D1E2F3A4B5C}";
constexpr wchar_t kOtherForeign[] = L"{00112233-4455-6677-8899-AABBCCDDEEFF}";

const std::vector<WSAPROTOCOL_INFOW> kBaseOnly = {
    catalogueEntry(kTcpIp, L"MSAFD Tcpip [TCP/IP]"),
    catalogueEntry(kTcpIp, L"MSAFD Tcpip [UDP/IP]"),
    catalogueEntry(kTcpIp6, L"MSAFD Tcpip [TCP/IPv6]"),
    catalogueEntry(L"{9D60A9E0-337A-11D0-BD88-0000C082E69A}", L"MSAFD Irda [IrDA]"),
    catalogueEntry(kNetBios, L"MSAFD NetBIOS [\\Device\\NetBT_Tcpip]"),
    catalogueEntry(L"{9FC48064-7298-43E4-B7BD-181F2089792A}", L"RSVP TCP Service Provider"),
};

TEST(ForeignProviders, ACatalogueOfBaseProvidersHasNoneToListOrRemove) {
  ScriptedCatalogue catalogue(kBaseOnly);
  bool found = true;
  std::wstring listing = L"left over";
  EXPECT_TRUE(listForeignProviders(BaseProviderList{}, found, listing));
  EXPECT_FALSE(found);
  EXPECT_EQ(listing, L"");

  bool removed = true;
  EXPECT_TRUE(removeForeignProviders(BaseProviderList{}, removed));
  EXPECT_FALSE(removed);
  EXPECT_TRUE(catalogue.deinstalled().empty());
}

TEST(ForeignProviders, AProviderWithThreeEntriesGivesThreeLinesAndThreeRemovals) {
  std::vector<WSAPROTOCOL_INFOW> entries = {
      catalogueEntry(kForeign, L"Speedy LSP"),
      catalogueEntry(kTcpIp, L"MSAFD Tcpip [TCP/IP]"),
      catalogueEntry(kForeign, L"Speedy LSP"),
      catalogueEntry(kForeign, L"Speedy LSP"),
  };
  ScriptedCatalogue catalogue(entries);
  bool found = false;
  std::wstring listing;
  EXPECT_TRUE(listForeignProviders(BaseProviderList{}, found, listing));
  EXPECT_TRUE(found);
  EXPECT_EQ(listing, L"Speedy LSP\r\nSpeedy LSP\r\nSpeedy LSP\r\n");

  bool removed = false;
  EXPECT_TRUE(removeForeignProviders(BaseProviderList{}, removed));
  EXPECT_TRUE(removed);
  EXPECT_EQ(catalogue.deinstalled(), std::vector<std::wstring>(3, kForeign));
}

TEST(ForeignProviders, ListsAndRemovesInCatalogueOrderFromOneRead) {
  ScriptedCatalogue catalogue({
      catalogueEntry(kOtherForeign, L"Chain over TCP"),
      catalogueEntry(kNetBios, L"MSAFD NetBIOS"),
      catalogueEntry(kForeign, L"Speedy LSP"),
  });
  bool found = false;
  std::wstring listing;
  EXPECT_TRUE(listForeignProviders(BaseProviderList{}, found, listing));
  EXPECT_EQ(listing, L"Chain over TCP\r\nSpeedy LSP\r\n");

  bool removed = false;
  const int readsBefore = catalogue.reads();
  EXPECT_TRUE(removeForeignProviders(BaseProviderList{}, removed));
  EXPECT_EQ(catalogue.reads(), readsBefore + 1);
  EXPECT_EQ(catalogue.deinstalled(), (std::vector<std::wstring>{kOtherForeign, kForeign}));
}

TEST(ForeignProviders, ADisplayNameFillingItsWholeFieldIsReadWithinIt) {
  WSAPROTOCOL_INFOW entry = catalogueEntry(kForeign, L"");
  std::fill(std::begin(entry.szProtocol), std::end(entry.szProtocol), L'x');  // no terminating zero
  ScriptedCatalogue catalogue({entry, catalogueEntry(kForeign, L"next")});
  bool found = false;
  std::wstring listing;
  EXPECT_TRUE(listForeignProviders(BaseProviderList{}, found, listing));
  EXPECT_EQ(listing, std::wstring(WSAPROTOCOL_LEN + 1, L'x') + L"\r\nnext\r\n");
}

TEST(ForeignProviders, ACatalogueThatCannotBeReadFailsBothScans) {
  enum class Fault { sizeQuery, read, empty };
  for (const Fault fault : {Fault::sizeQuery, Fault::read, Fault::empty}) {
    ScriptedCatalogue catalogue(fault == Fault::empty ? std::vector<WSAPROTOCOL_INFOW>{}
                                                      : std::vector{catalogueEntry(kForeign, L"Speedy LSP")});
    if (fault == Fault::sizeQuery) catalogue.failSizeQuery(WSAEACCES);
    if (fault == Fault::read) catalogue.failRead();
    bool found = true;
    std::wstring listing = L"left over";
    EXPECT_FALSE(listForeignProviders(BaseProviderList{}, found, listing));
    EXPECT_FALSE(found);
    EXPECT_EQ(listing, L"");
    bool removed = true;
    EXPECT_FALSE(removeForeignProviders(BaseProviderList{}, removed));
    EXPECT_FALSE(removed);
    EXPECT_TRUE(catalogue.deinstalled().empty());
  }
}

// The system's own catalogue, whatever it holds: the listing and the removals
// name the same entries, none of the five base providers.
TEST(RealCatalogue, ListsWhatIsNotABaseProviderAndWouldRemoveExactlyThat) {
  bool found = false;
  std::wstring listing;
  ASSERT_TRUE(listForeignProviders(BaseProviderList{}, found, listing));
  std::printf("foreign catalogue entries under this system:\n%s", toUtf8(listing).c_str());

  // The catalogue is the real one; the deinstallations are only recorded.
  ScriptedCatalogue catalogue({}, true);
  bool removed = false;
  ASSERT_TRUE(removeForeignProviders(BaseProviderList{}, removed));
  EXPECT_EQ(removed, found);
  size_t lines = 0;
  for (size_t at = listing.find(L"\r\n"); at != std::wstring::npos; at = listing.find(L"\r\n", at + 2)) ++lines;
  EXPECT_EQ(catalogue.deinstalled().size(), lines);
  for (const std::wstring& provider : catalogue.deinstalled()) EXPECT_FALSE(BaseProviderList{}.contains(provider));
}

// Beyond the five base providers: Windows' own base protocols (their DLL in
// the system folder) stay; LSPs, chains and other vendors' providers go.
TEST(ForeignProviders, OnlyMicrosoftsBaseProtocolsBeyondTheFiveStay) {
  constexpr wchar_t kAfUnix[] = L"{A00943D9-9C2E-4633-9B59-0057A3160994}";
  constexpr wchar_t kChain[] = L"{5C3E2F1A-0B4D-4E6F-8A9B-1C2D3E4F5A6B}";
  constexpr wchar_t kVendorBase[] = L"{7D8E9FA0-B1C2-4D3E-9F4A-5B6C7D8E9FA0}";
  constexpr wchar_t kPathless[] = L"{0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}";
  ScriptedCatalogue catalogue({
      catalogueEntry(kTcpIp, L"MSAFD Tcpip [TCP/IP]", 1),
      catalogueEntry(kForeign, L"Speedy LSP", 0),
      catalogueEntry(kAfUnix, L"AF_UNIX", 1),
      catalogueEntry(kChain, L"Speedy over TCP/IP", 2),
      catalogueEntry(kVendorBase, L"Vendor Sockets", 1),
      catalogueEntry(kPathless, L"Unnamed Sockets", 1),
  });
  catalogue.providerDll(kForeign, L"%SystemRoot%\\system32\\speedy.dll");
  catalogue.providerDll(kAfUnix, L"%SystemRoot%\\system32\\afunix.dll");
  catalogue.providerDll(kChain, L"%SystemRoot%\\system32\\speedy.dll");
  catalogue.providerDll(kVendorBase, L"C:\\Program Files\\Vendor\\vsp.dll");
  bool found = false;
  std::wstring listing;
  EXPECT_TRUE(listForeignProviders(BaseProviderList{}, found, listing));
  EXPECT_TRUE(found);
  EXPECT_EQ(listing, L"Speedy LSP\r\nSpeedy over TCP/IP\r\nVendor Sockets\r\nUnnamed Sockets\r\n");
  bool removed = false;
  EXPECT_TRUE(removeForeignProviders(BaseProviderList{}, removed));
  EXPECT_EQ(catalogue.deinstalled(), (std::vector<std::wstring>{kForeign, kChain, kVendorBase, kPathless}));
}

// Wine's catalogue (TCP/IP, IPv6, IPX, SPX and SPX II, all served by Winsock
// itself) holds nothing foreign: its diagnosis reports no LSP hijacking, and
// the repair would remove nothing.
TEST(RealCatalogue, WinesCatalogueIsAllItsOwn) {
  bool found = true;
  std::wstring listing = L"left over";
  ASSERT_TRUE(listForeignProviders(BaseProviderList{}, found, listing));
  EXPECT_FALSE(found);
  EXPECT_EQ(listing, L"");
  ScriptedCatalogue catalogue({}, true);
  bool removed = true;
  ASSERT_TRUE(removeForeignProviders(BaseProviderList{}, removed));
  EXPECT_FALSE(removed);
  EXPECT_TRUE(catalogue.deinstalled().empty());
}

}  // namespace
}  // namespace kestro
