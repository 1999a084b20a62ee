#include "diag/base_providers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestro {
namespace {

TEST(BaseProviderList, HoldsTheFiveWindowsProvidersInOrder) {
  const std::vector<std::wstring> expected = {
      L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}", L"{F9EAB0C0-26D4-11D0-BBBF-00AA006C34E4}",
      L"{9D60A9E0-337A-11D0-BD88-0000C082E69A}", L"{8D5F1830-C273-11CF-95C8-00805F48A192}",
      L"{9FC48064-7298-43E4-B7BD-181F2089792A}",
  };
  EXPECT_EQ(BaseProviderList{}.identifiers, expected);
}

TEST(BaseProviderList, RecognisesItsIdentifiersInAnyLetterCaseAndNothingElse) {
  const BaseProviderList base;
  const struct {
    const wchar_t* identifier;
    bool contained;
  } cases[] = {
      {L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}", true},
      {L"{e70f1aa0-ab8b-11cf-8ca3-00805f48a192}", true},
      {L"{9fC48064-7298-43e4-B7BD-181f2089792A}", true},
      {L"{11058240-BE47-11CF-95C8-00805F48A192}", false},
      {L"E70F1AA0-AB8B-11CF-8CA3-00805F48A192", false},
      {L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192} ", false},
      {L"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(base.contains(c.identifier), c.contained) << c.identifier;
}

// Beyond the five: a base protocol whose DLL lies directly in the system
// folder is Windows' own; layered entries and chains of any vendor, and base
// providers with their DLL elsewhere, are foreign.
TEST(BaseEntryRule, BaseProtocolsOfTheSystemFolderBesideTheFive) {
  const BaseProviderList base;
  constexpr wchar_t kSystem[] = L"C:\\Windows\\system32";
  constexpr wchar_t kUnix[] = L"{A00943D9-9C2E-4633-9B59-0057A3160994}";
  const struct {
    const char* what;
    CatalogueEntryFacts entry;
    bool base;
  } cases[] = {
      {"one of the five, layered or not", {L"{e70f1aa0-ab8b-11cf-8ca3-00805f48a192}", 0, L""}, true},
      {"a Microsoft base provider outside the five", {kUnix, 1, L"C:\\Windows\\system32\\mswsock.dll"}, true},
      {"the folder in another letter case", {kUnix, 1, L"c:\\WINDOWS\\System32\\afunix.dll"}, true},
      {"a layered provider in the system folder", {kUnix, 0, L"C:\\Windows\\system32\\speedy.dll"}, false},
      {"a chain over base providers", {kUnix, 2, L"C:\\Windows\\system32\\mswsock.dll"}, false},
      {"another vendor's base provider", {kUnix, 1, L"C:\\Program Files\\Vendor\\vsp.dll"}, false},
      {"a folder below the system folder", {kUnix, 1, L"C:\\Windows\\system32\\vendor\\vsp.dll"}, false},
      {"a way out of the system folder", {kUnix, 1, L"C:\\Windows\\system32\\..\\vsp.dll"}, false},
      {"a folder that only begins like it", {kUnix, 1, L"C:\\Windows\\system32x\\vsp.dll"}, false},
      {"a DLL the catalogue cannot name", {kUnix, 1, L""}, false},
      {"a bare file name", {kUnix, 1, L"mswsock.dll"}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(isBaseEntry(base, c.entry, kSystem), c.base) << c.what;
  // A system folder written with a closing separator is the same folder.
  EXPECT_TRUE(isBaseEntry(base, {kUnix, 1, L"C:\\Windows\\system32\\mswsock.dll"}, L"C:\\Windows\\system32\\"));
  // Without a system folder only the five are base.
  EXPECT_FALSE(isBaseEntry(base, {kUnix, 1, L"\\mswsock.dll"}, L""));
}

}  // namespace
}  // namespace kestro
