// Golden files: a text the code produces, kept beside the tests as
// <folder>/<name>.expected. A mismatch leaves the new text in
// <name>-FAILED.txt beside it; KESTRO_UPDATE_GOLDEN=1 rewrites the expected
// files instead of comparing.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kestro::test {

// Whether `actual` is the text of <folder>/<name>.expected (always, while
// rewriting). A match removes a FAILED file an earlier run left.
testing::AssertionResult matchesGoldenFile(const std::filesystem::path& folder, const std::string& name,
                                           const std::string& actual);

// The names (without `ending`) of the files of `folder` that end in it, in
// order: the cases of a golden test, one per file.
std::vector<std::string> filesEndingIn(const std::filesystem::path& folder, const std::string& ending);

}  // namespace kestro::test
