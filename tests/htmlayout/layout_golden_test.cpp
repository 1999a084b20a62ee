// Golden layout cases: each layout/<case>.html is laid out on a 400x300 view
// with the fixed-metrics canvas and its box dump compared with <case>.expected
// (tests/support/golden_file.h): one test case per file.
#include <gtest/gtest.h>

#include <filesystem>

#include "htmlayout/box_dump.h"
#include "test_page.h"
#include "tests/support/golden_file.h"
#include "tests/support/whole_file.h"

namespace htmlayout {
namespace {

namespace fs = std::filesystem;

const fs::path kCases = fs::path(KESTRO_SOURCE_DIR) / "tests/htmlayout/layout";

// Fixed images the cases may name.
void feed_images(test::test_page& page) {
  // A PNG header claiming 32x24, and a GIF header claiming 16x16.
  const uint8_t png[] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 32, 0, 0, 0, 24};
  const uint8_t gif[] = {'G', 'I', 'F', '8', '9', 'a', 16, 0, 16, 0};
  for (const auto& url : page.host.requested) {
    if (url.ends_with(L".PNG")) page.doc.data_ready(url, png, sizeof png);
    if (url.ends_with(L".GIF")) page.doc.data_ready(url, gif, sizeof gif);
  }
}

class LayoutGolden : public testing::TestWithParam<std::string> {};

TEST_P(LayoutGolden, LaysOutAsItsDump) {
  test::test_page page(kestro::test::readWholeFile(kCases / (GetParam() + ".html")));
  feed_images(page);
  EXPECT_TRUE(kestro::test::matchesGoldenFile(kCases, GetParam(), dump_boxes(page.doc)));
}

INSTANTIATE_TEST_SUITE_P(Cases, LayoutGolden, testing::ValuesIn(kestro::test::filesEndingIn(kCases, ".html")),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace htmlayout
