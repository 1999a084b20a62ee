#include "service/http_headers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestro {
namespace {

TEST(HttpHeaders, ListItems) {
  struct Row {
    const char* value;
    std::vector<std::string_view> items;
  } rows[] = {
      {"close", {"close"}},
      {"keep-alive, close", {"keep-alive", "close"}},
      {" a ,\tb\t,c", {"a", "b", "c"}},
      {"3,", {"3", ""}},
      {"", {""}},
  };
  for (const auto& row : rows) EXPECT_EQ(listItems(row.value), row.items) << row.value;
}

TEST(HttpHeaders, TokenAmongTheItemsOfRepeatedHeaders) {
  HttpHeaders headers;
  headers.add("Connection", "TE");
  headers.add("connection", " Close ");
  EXPECT_TRUE(headers.hasToken("CONNECTION", "close"));
  EXPECT_FALSE(headers.hasToken("Connection", "keep-alive"));
  EXPECT_FALSE(headers.hasToken("Upgrade", "close"));
  headers.add("X-Word", "closed");
  EXPECT_FALSE(headers.hasToken("X-Word", "close"));
}

}  // namespace
}  // namespace kestro
