#include "ui/host/resource_names.h"

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

TEST(ResourceNames, PicturesForADisplayAreTheNearestVariant) {
  const std::pair<int, int> nearest[] = {{72, 96}, {96, 96}, {110, 96}, {120, 144}, {144, 144}, {167, 144},
                                         {168, 192}, {192, 192}, {288, 192}};
  for (const auto& [display, variant] : nearest) EXPECT_EQ(closestPictureDpi(display), variant) << display;
  EXPECT_EQ(pictureVariantFile(L"LOGINBG.PNG", 144), L"LOGINBG_144.PNG");
  EXPECT_EQ(pictureVariantFile(L"search.png", 192), L"search_192.png");
  EXPECT_EQ(pictureVariantFile(L"LOGINBG.PNG", 96), std::nullopt);
  EXPECT_EQ(pictureVariantFile(L"LOADING.GIF", 144), std::nullopt) << "animated pictures have no variants";
  EXPECT_EQ(pictureVariantFile(L"MAIN", 144), std::nullopt);
  EXPECT_EQ(pictureVariantFile(L".PNG", 144), std::nullopt);
  EXPECT_EQ(pictureVariantFile(std::wstring(253, L'A') + L".PNG", 144), std::nullopt) << "too long a name";
}

}  // namespace
}  // namespace kestro
