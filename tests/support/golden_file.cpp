#include "tests/support/golden_file.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "tests/support/whole_file.h"

namespace kestro::test {

namespace fs = std::filesystem;

testing::AssertionResult matchesGoldenFile(const fs::path& folder, const std::string& name, const std::string& actual) {
  const fs::path expected = folder / (name + ".expected");
  const fs::path failed = folder / (name + "-FAILED.txt");
  if (std::getenv("KESTRO_UPDATE_GOLDEN") != nullptr) {
    fs::create_directories(folder);
    std::ofstream(expected, std::ios::binary) << actual;
    return testing::AssertionSuccess();
  }
  std::error_code ignored;
  if (!fs::exists(expected, ignored))
    return testing::AssertionFailure() << "no golden file " << expected.string() << " (KESTRO_UPDATE_GOLDEN=1 writes it)";
  if (readWholeFile(expected) == actual) {
    fs::remove(failed, ignored);
    return testing::AssertionSuccess();
  }
  std::ofstream(failed, std::ios::binary) << actual;
  return testing::AssertionFailure() << name << " differs from " << expected.string() << "; the new text is in "
                                     << failed.string();
}

std::vector<std::string> filesEndingIn(const fs::path& folder, const std::string& ending) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string file = entry.path().filename().string();
    if (file.size() > ending.size() && file.ends_with(ending)) names.push_back(file.substr(0, file.size() - ending.size()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kestro::test
