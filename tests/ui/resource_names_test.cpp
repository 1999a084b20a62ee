#include "ui/resource_names.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

struct Case {
  std::wstring fileName;
  std::optional<ResourceName> expected;
};

TEST(ResourceNames, FileNamesMapToResourceNameAndType) {
  const Case cases[] = {
      {L"SEARCH.PNG", ResourceName{L"SEARCH", L"PNG"}},
      {L"LOADING.GIF", ResourceName{L"LOADING", L"GIF"}},
      {L"LOGIN", ResourceName{L"LOGIN", L""}},
      {L"login.html", ResourceName{L"login", L""}},
      {L"MAIN.HTML", ResourceName{L"MAIN", L""}},
      {L"message.HtMl", ResourceName{L"message", L""}},
      {L"a.b.PNG", ResourceName{L"a.b", L"PNG"}},
      {L"stock:arrow-down", ResourceName{L"stock:arrow-down", L""}},
      {L"", std::nullopt},
      {L"LOGIN.", std::nullopt},
      {L".PNG", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(resourceNameForFile(c.fileName), c.expected) << std::string(c.fileName.begin(), c.fileName.end());
}

TEST(ResourceNames, NamesLongerThanAPathAreNotResources) {
  EXPECT_TRUE(resourceNameForFile(std::wstring(256, L'A') + L".PNG"));
  EXPECT_FALSE(resourceNameForFile(std::wstring(257, L'A') + L".PNG"));
}

}  // namespace
}  // namespace kestro
