#include "app/password_codec.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(PasswordCodec, SixtyBytePasswordHasOneLineBreakAfterThe76thCharacter) {
  const std::wstring password(60, L'p');
  const std::wstring stored = encodeStoredPassword(password);
  ASSERT_EQ(stored.size(), 82u);
  EXPECT_EQ(stored.substr(76, 2), L"\r\n");
  EXPECT_EQ(decodeStoredPassword(stored), password);
}

TEST(PasswordCodec, RoundTripsSpecialCharacters) {
  for (const std::wstring password : {L"a&b=c", L"", L"x", L"pass word!"}) {
    EXPECT_EQ(decodeStoredPassword(encodeStoredPassword(password)), password);
  }
}

TEST(PasswordCodec, DecodedBytesEndAtTheirFirstNul) {
  // "ab\0cd" encoded: the text ends before the NUL byte.
  EXPECT_EQ(decodeStoredPassword(L"YWIAY2Q="), L"ab");
  EXPECT_EQ(decodeStoredPassword(L"!!!"), L"");
}

}  // namespace
}  // namespace kestro
