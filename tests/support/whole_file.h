// A file read whole, as the tests compare or parse it.
#pragma once

#include <filesystem>
#include <string>

namespace kestro::test {

// Its bytes as they are; empty when it cannot be read.
std::string readWholeFile(const std::filesystem::path& path);

}  // namespace kestro::test
