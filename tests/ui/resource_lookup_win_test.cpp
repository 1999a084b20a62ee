#include "ui/host/resource_lookup_win.h"

#include <gtest/gtest.h>

#include <string_view>

namespace kestro {
namespace {

std::string_view asText(std::span<const uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

TEST(ResourceLookup, PagesAreFoundByNameWithOrWithoutTheirExtension) {
  for (const wchar_t* name : {L"LOGIN", L"login.html", L"LOGIN.HTML", L"MESSAGE"}) {
    const auto page = findProgramResource(name);
    ASSERT_TRUE(page) << name;
    EXPECT_NE(asText(*page).find("<html>"), std::string_view::npos);
  }
  EXPECT_NE(asText(*findProgramResource(L"LOGIN")).find("txtusername"), std::string_view::npos);
}

TEST(ResourceLookup, ImagesAreFoundByFileName) {
  const auto png = findProgramResource(L"LOGINBG.PNG");
  ASSERT_TRUE(png);
  EXPECT_EQ(asText(*png).substr(1, 3), "PNG");
  const auto gif = findProgramResource(L"LOADING.GIF");
  ASSERT_TRUE(gif);
  EXPECT_EQ(asText(*gif).substr(0, 3), "GIF");
}

TEST(ResourceLookup, MissingNamesAreNotFound) {
  for (const wchar_t* name : {L"", L"NOSUCH.PNG", L"LOGINBG.GIF", L"stock:arrow-down", L"LOGIN."})
    EXPECT_FALSE(findProgramResource(name)) << name;
}

}  // namespace
}  // namespace kestro
