// Golden layout cases: each layout/<case>.html is laid out on a 400x300 view
// with the fixed-metrics canvas and its box dump compared with <case>.expected.
// A mismatch writes the actual dump to <case>-FAILED.txt beside it;
// KESTRO_UPDATE_GOLDEN=1 rewrites the expected files instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "htmlayout/box_dump.h"
#include "test_page.h"

namespace htmlayout {
namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void write(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

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

TEST(LayoutGolden, Cases) {
  fs::path dir = fs::path(KESTRO_SOURCE_DIR) / "tests/htmlayout/layout";
  bool update = std::getenv("KESTRO_UPDATE_GOLDEN") != nullptr;
  int cases = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".html") continue;
    ++cases;
    test::test_page page(read(entry.path()));
    feed_images(page);
    std::string actual = dump_boxes(page.doc);
    fs::path expected_path = entry.path();
    expected_path.replace_extension(".expected");
    fs::path failed_path = dir / (entry.path().stem().string() + "-FAILED.txt");
    if (update) {
      write(expected_path, actual);
      continue;
    }
    std::string expected = read(expected_path);
    if (actual != expected) write(failed_path, actual);
    else fs::remove(failed_path);
    EXPECT_EQ(actual, expected) << entry.path().filename() << " (actual dump in " << failed_path.filename() << ")";
  }
  EXPECT_GT(cases, 0);
}

}  // namespace
}  // namespace htmlayout
