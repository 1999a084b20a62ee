#include "base/base64.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(Base64, EncodesTheStandardVectors) {
  const std::pair<const char*, const char*> vectors[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xff\xfe\x00", "//4A"},
  };
  for (const auto& [plain, encoded] : vectors) {
    const std::string bytes = std::string(plain) + (std::string_view(encoded) == "//4A" ? std::string(1, '\0') : "");
    EXPECT_EQ(base64Encode(bytes), encoded) << plain;
    EXPECT_EQ(base64Decode(encoded), bytes) << encoded;
  }
}

TEST(Base64, BreaksLinesAfterEvery76CharactersButNotAtTheEnd) {
  EXPECT_EQ(base64Encode(std::string(57, 'a')).find("\r\n"), std::string::npos);  // exactly 76 characters
  EXPECT_EQ(base64Encode(std::string(57, 'a')).size(), 76u);

  const std::string sixty = base64Encode(std::string(60, 'a'));
  ASSERT_EQ(sixty.size(), 80u + 2u);
  EXPECT_EQ(sixty.substr(76, 2), "\r\n");
  EXPECT_EQ(sixty.find("\r\n", 78), std::string::npos);

  const std::string twoFullLines = base64Encode(std::string(114, 'a'));
  EXPECT_EQ(twoFullLines.size(), 152u + 2u);  // no CR LF after the last line
  EXPECT_EQ(base64Decode(twoFullLines), std::string(114, 'a'));
}

TEST(Base64, DecoderSkipsForeignCharactersAndStopsAtNul) {
  EXPECT_EQ(base64Decode("Zm9v\r\nYmFy"), "foobar");
  EXPECT_EQ(base64Decode(" Z!m-9 v*"), "foo");
  EXPECT_EQ(base64Decode(std::string("Zm9v\0YmFy", 9)), "foo");
  EXPECT_EQ(base64Decode("===="), "");
  EXPECT_EQ(base64Decode("Zg"), "f");     // missing padding is tolerated
  EXPECT_EQ(base64Decode("Z"), "");       // a lone character carries no whole byte
}

}  // namespace
}  // namespace kestro
