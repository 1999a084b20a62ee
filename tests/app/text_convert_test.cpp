#include "base/text_convert.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(TextConvert, RoundTripsChineseAndSupplementaryCharacters) {
  const std::wstring text = L"泓迈网游加速器 kestro \U0001F680";
  const std::string utf8 = toUtf8(text);
  EXPECT_EQ(utf8, "\xE6\xB3\x93\xE8\xBF\x88\xE7\xBD\x91\xE6\xB8\xB8\xE5\x8A\xA0\xE9\x80\x9F\xE5\x99\xA8 kestro \xF0\x9F\x9A\x80");
  EXPECT_EQ(fromUtf8(utf8), text);
}

TEST(TextConvert, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(fromUtf8("a\xFF" "b"), L"a\uFFFDb");
  EXPECT_EQ(fromUtf8("a\xE6\xB3"), L"a\uFFFD");            // truncated at the end
  EXPECT_EQ(fromUtf8("\xE6\xB3z"), L"\uFFFDz");            // truncated before an ASCII byte
  EXPECT_EQ(fromUtf8("\xC0\xAF"), L"\uFFFD");              // overlong encoding of '/'
  EXPECT_EQ(fromUtf8("\xED\xA0\x80"), L"\uFFFD");          // an encoded surrogate
  EXPECT_EQ(fromUtf8(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(TextConvert, AnsiRoundTripsAscii) {
  EXPECT_EQ(toAnsi(L"user=kestro&x"), "user=kestro&x");
  EXPECT_EQ(fromAnsi("Drivers installed successfully"), L"Drivers installed successfully");
  EXPECT_EQ(toAnsi(L""), "");
}

}  // namespace
}  // namespace kestro
