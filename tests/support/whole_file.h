// A file read whole, as the tests compare or parse it.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kestro::test {

// Its bytes as they are; empty when it cannot be read.
inline std::string readWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace kestro::test
