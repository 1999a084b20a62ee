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

}  // namespace
}  // namespace kestro
