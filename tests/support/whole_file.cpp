#include "tests/support/whole_file.h"

#include <fstream>
#include <sstream>

namespace kestro::test {

std::string readWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace kestro::test
