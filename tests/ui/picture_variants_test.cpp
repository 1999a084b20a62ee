// Every page picture also exists drawn for 144 and 192 DPI, at exactly the
// size the program shows it there, and is embedded (scripts/make-art makes them).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "htmlayout/display_scale.h"
#include "htmlayout/recording_canvas.h"

namespace kestro {
namespace {

namespace fs = std::filesystem;

const fs::path kPictures = fs::path(KESTRO_SOURCE_DIR) / "ui/res";

htmlayout::point sizeOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return htmlayout::picture_size(bytes.data(), bytes.size());
}

TEST(PictureVariants, EveryPictureIsDrawnForEachDisplayAtItsSizeThereAndEmbedded) {
  std::ifstream rc(kPictures / "variants.rc");
  std::stringstream embedded;
  embedded << rc.rdbuf();
  int pictures = 0;
  for (const auto& entry : fs::directory_iterator(kPictures)) {
    if (entry.path().extension() != ".PNG") continue;
    ++pictures;
    const std::string name = entry.path().stem().string();
    const htmlayout::point base = sizeOf(entry.path());
    for (const int dpi : {144, 192}) {
      const htmlayout::display_scale scale{dpi};
      const fs::path variant = kPictures / std::to_string(dpi) / (name + ".PNG");
      const htmlayout::point size = sizeOf(variant);
      EXPECT_EQ(size.x, scale.to_device(base.x)) << variant << ": run scripts/make-art";
      EXPECT_EQ(size.y, scale.to_device(base.y)) << variant;
      const std::string line = name + "_" + std::to_string(dpi);
      EXPECT_NE(embedded.str().find("\n" + line + " "), std::string::npos) << line << " is not in ui/res/variants.rc";
    }
  }
  EXPECT_GT(pictures, 60);
}

}  // namespace
}  // namespace kestro
