#include "service/json_reply.h"

#include <gtest/gtest.h>

#include <string>

namespace kestro {
namespace {

TEST(JsonReply, MembersByNameWithDefaults) {
  const JsonReply reply = JsonReply::parse(
      R"({"authed":true,"accounttype":4,"expiredate":"2027-01-01","nodeload":0.25,"ipname":"上海电信","nothing":null})",
      ReplyShape::Object);
  ASSERT_TRUE(reply.valid());
  const JsonObjectReader json = reply.object();
  EXPECT_EQ(json.boolean("authed"), true);
  EXPECT_EQ(json.integer("accounttype"), 4);
  EXPECT_EQ(json.text("expiredate"), L"2027-01-01");
  EXPECT_EQ(json.floating("nodeload"), 0.25);
  EXPECT_EQ(json.floating("accounttype"), 4.0);
  EXPECT_EQ(json.text("ipname"), L"上海电信");
  EXPECT_EQ(json.integer("missing"), 0);
  EXPECT_EQ(json.boolean("missing"), false);
  EXPECT_EQ(json.floating("missing"), 0.0);
  EXPECT_EQ(json.text("nothing"), L"");
  EXPECT_TRUE(reply.valid());
}

TEST(JsonReply, WrongMemberTypeMakesTheReplyMalformed) {
  struct Row {
    const char* body;
    void (*read)(const JsonObjectReader&);
  } rows[] = {
      {R"({"v":"12"})", [](const JsonObjectReader& j) { j.integer("v"); }},
      {R"({"v":4294967296})", [](const JsonObjectReader& j) { j.integer("v"); }},
      {R"({"v":1})", [](const JsonObjectReader& j) { j.boolean("v"); }},
      {R"({"v":"0.5"})", [](const JsonObjectReader& j) { j.floating("v"); }},
      {R"({"v":7})", [](const JsonObjectReader& j) { j.text("v"); }},
      {R"({"v":{}})", [](const JsonObjectReader& j) { j.objects("v"); }},
      {R"({"v":[1]})", [](const JsonObjectReader& j) { j.objects("v"); }},
  };
  for (const auto& row : rows) {
    const JsonReply reply = JsonReply::parse(row.body, ReplyShape::Object);
    ASSERT_TRUE(reply.valid()) << row.body;
    row.read(reply.object());
    EXPECT_FALSE(reply.valid()) << row.body;
  }
}

TEST(JsonReply, NestedArrayOfObjects) {
  const JsonReply reply = JsonReply::parse(
      R"({"error":"","routeip":[{"ipaddr":"192.0.2.10","ipmask":32},{"ipaddr":"198.51.100.0","ipmask":24}]})",
      ReplyShape::Object);
  const auto routes = reply.object().objects("routeip");
  ASSERT_EQ(routes.size(), 2u);
  EXPECT_EQ(routes[1].text("ipaddr"), L"198.51.100.0");
  EXPECT_EQ(routes[1].integer("ipmask"), 24);
  EXPECT_TRUE(reply.object().objects("absent").empty());
  EXPECT_TRUE(reply.valid());
}

TEST(JsonReply, ArrayElements) {
  const JsonReply reply = JsonReply::parse(R"([{"id":2,"articletitle":"b"},{"id":1}])", ReplyShape::Array);
  ASSERT_TRUE(reply.valid());
  ASSERT_EQ(reply.size(), 2u);
  EXPECT_EQ(reply.element(0).integer("id"), 2);
  EXPECT_EQ(reply.element(1).text("articletitle"), L"");
  EXPECT_EQ(reply.element(5).integer("id"), 0);
}

TEST(JsonReply, ReadersOutliveTheirReply) {
  JsonObjectReader kept;
  {
    const JsonReply reply = JsonReply::parse(R"({"a":{"b":1},"list":[{"x":3}]})", ReplyShape::Object);
    kept = reply.object().objects("list").front();
  }
  EXPECT_EQ(kept.integer("x"), 3);
}

TEST(JsonReply, DeepNestingIsRefused) {
  std::string deep = "{\"a\":" + std::string(kMaxJsonDepth + 1, '[') + std::string(kMaxJsonDepth + 1, ']') + "}";
  EXPECT_FALSE(JsonReply::parse(deep, ReplyShape::Object).valid());
  std::string shallow = "{\"a\":" + std::string(10, '[') + std::string(10, ']') + "}";
  EXPECT_TRUE(JsonReply::parse(shallow, ReplyShape::Object).valid());
  // Brackets inside texts do not count.
  EXPECT_TRUE(JsonReply::parse("{\"a\":\"" + std::string(1000, '[') + "\"}", ReplyShape::Object).valid());
}

}  // namespace
}  // namespace kestro
