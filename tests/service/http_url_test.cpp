#include "service/http_url.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(HttpUrl, Splits) {
  struct Row {
    const wchar_t* url;
    std::optional<HttpUrl> expected;
  } rows[] = {
      {L"http://127.0.0.1:18480/", HttpUrl{L"127.0.0.1", 18480, L"/", L""}},
      {L"http://localhost", HttpUrl{L"localhost", 80, L"/", L""}},
      {L"HTTP://h/a/b.php?type=4", HttpUrl{L"h", 80, L"/a/b.php", L"?type=4"}},
      {L"http://h?x=1", HttpUrl{L"h", 80, L"/", L"?x=1"}},
      {L"http://h:8080/p#frag", HttpUrl{L"h", 8080, L"/p", L""}},
      {L"https://h/", std::nullopt},
      {L"http://:80/", std::nullopt},
      {L"http://h:0/", std::nullopt},
      {L"http://h:65536/", std::nullopt},
      {L"http://h:8x/", std::nullopt},
      {L"ftp://h/", std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(parseHttpUrl(row.url, 80), row.expected) << row.url;
}

TEST(HttpUrl, ResolvesLocations) {
  const HttpUrl current{L"127.0.0.1", 9000, L"/svc/login.php", L"?a=1"};
  struct Row {
    const wchar_t* location;
    std::optional<HttpUrl> expected;
  } rows[] = {
      {L"http://127.0.0.2:9001/x", HttpUrl{L"127.0.0.2", 9001, L"/x", L""}},
      {L"/moved.php?b=2", HttpUrl{L"127.0.0.1", 9000, L"/moved.php", L"?b=2"}},
      {L"other.php", HttpUrl{L"127.0.0.1", 9000, L"/svc/other.php", L""}},
      {L"https://127.0.0.1/", std::nullopt},
      {L"", std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(resolveLocation(current, row.location, 80), row.expected) << row.location;
}

}  // namespace
}  // namespace kestro
