#include "service/json_reply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(JsonReply, ListOfAnotherShapeMakesTheReplyMalformed) {
  for (const char* body : {R"({"v":{}})", R"({"v":[1]})", R"({"v":"[]"})", R"({"v":[{},[]]})"}) {
    const JsonReply reply = JsonReply::parse(body, ReplyShape::Object);
    ASSERT_TRUE(reply.valid()) << body;
    EXPECT_TRUE(reply.object().objects("v").empty()) << body;
    EXPECT_FALSE(reply.valid()) << body;
  }
}

// One member "v" of the JSON text `member`, read as one type: what is read
// and whether the reply is still valid after.
template <class T>
struct Conversion {
  const char* member;
  T read;
  bool valid;
};

template <class T, class Read>
void expectConversions(const std::vector<Conversion<T>>& rows, Read read) {
  for (const auto& row : rows) {
    const JsonReply reply = JsonReply::parse(std::string(R"({"v":)") + row.member + "}", ReplyShape::Object);
    ASSERT_TRUE(reply.valid()) << row.member;
    EXPECT_EQ(read(reply.object()), row.read) << row.member;
    EXPECT_EQ(reply.valid(), row.valid) << row.member;
  }
}

TEST(MemberConversion, ToInteger) {
  expectConversions<int32_t>(
      {
          {"7", 7, true},
          {"-7", -7, true},
          {"2147483647", 2147483647, true},
          {"-2147483648", -2147483647 - 1, true},
          {"2147483648", 0, false},
          {"-2147483649", 0, false},
          {"4294967296", 0, false},
          {"18446744073709551615", 0, false},
          {"3.9", 3, true},  // "nid": 3.9
          {"-3.9", -3, true},
          {"2147483647.0", 2147483647, true},
          {"2147483647.5", 0, false},
          {"-2147483648.0", -2147483647 - 1, true},
          {"-2147483648.5", 0, false},
          {"1e12", 0, false},  // "nid": 1e12
          {"true", 1, true},
          {"false", 0, true},
          {"null", 0, true},
          {R"("12")", 0, false},
          {"[1]", 0, false},
          {R"({"a":1})", 0, false},
      },
      [](const JsonObjectReader& json) { return json.integer("v"); });
}

TEST(MemberConversion, ToBoolean) {
  expectConversions<bool>(
      {
          {"true", true, true},
          {"false", false, true},
          {"1", true, true},  // "authed": 1
          {"0", false, true},
          {"-2", true, true},
          {"18446744073709551615", true, true},
          {"0.5", true, true},
          {"0.0", false, true},
          {"-0.0", false, true},
          {"null", false, true},
          {R"("true")", false, false},  // "authed": "true"
          {R"("")", false, false},
          {"[true]", false, false},
          {"{}", false, false},
      },
      [](const JsonObjectReader& json) { return json.boolean("v"); });
}

TEST(MemberConversion, ToFloating) {
  expectConversions<double>(
      {
          {"0.25", 0.25, true},
          {"7", 7.0, true},
          {"-7", -7.0, true},
          {"18446744073709551615", 18446744073709551615.0, true},
          {"1e300", 1e300, true},
          {"true", 1.0, true},
          {"false", 0.0, true},
          {"null", 0.0, true},
          {R"("0.5")", 0.0, false},  // "nodeload": "0.5"
          {"[0.5]", 0.0, false},
          {R"({"v":0.5})", 0.0, false},
      },
      [](const JsonObjectReader& json) { return json.floating("v"); });
}

TEST(MemberConversion, ToText) {
  expectConversions<std::wstring>(
      {
          {R"("上海")", L"上海", true},
          {R"("")", L"", true},
          {"12", L"12", true},  // "gamename": 12
          {"-12", L"-12", true},
          {"18446744073709551615", L"18446744073709551615", true},
          {"3.9", L"3.9", true},
          {"0.5", L"0.5", true},
          {"2.0", L"2", true},
          {"-0.0", L"-0", true},
          {"1e21", L"1e+21", true},
          {"1e-7", L"1e-07", true},
          {"true", L"true", true},
          {"false", L"false", true},
          {"null", L"", true},
          {R"(["a"])", L"", false},
          {R"({"a":"b"})", L"", false},
      },
      [](const JsonObjectReader& json) { return json.text("v"); });
}

TEST(MemberConversion, NumbersBeyondADoubleAreNotJson) {
  EXPECT_FALSE(JsonReply::parse(R"({"v":1e400})", ReplyShape::Object).valid());
  EXPECT_FALSE(JsonReply::parse(R"({"v":-1e400})", ReplyShape::Object).valid());
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

// What jsoncpp's reader accepts, the service's replies have always been
// written for: comments, text after the root value, bytes that are not UTF-8.
TEST(JsonReplyLikeJsoncpp, CommentsAreWhiteSpace) {
  const JsonReply reply = JsonReply::parse(
      "// login.php\n{/* account */\"authed\":true, // yes\r\n\"accounttype\":/* 4 */8}\n/* end",
      ReplyShape::Object);
  ASSERT_TRUE(reply.valid());
  EXPECT_TRUE(reply.object().boolean("authed"));
  EXPECT_EQ(reply.object().integer("accounttype"), 8);
  EXPECT_FALSE(JsonReply::parse("{\"a\":1 /* never closed", ReplyShape::Object).valid());
}

TEST(JsonReplyLikeJsoncpp, TextAfterTheRootValueIsIgnored) {
  const JsonReply reply = JsonReply::parse(
      "[{\"id\":1}]\n<br />\n<b>Notice</b>: Undefined index: x in <b>/var/www/node.php</b> on line <b>9</b><br />",
      ReplyShape::Array);
  ASSERT_TRUE(reply.valid());
  ASSERT_EQ(reply.size(), 1u);
  EXPECT_EQ(reply.element(0).integer("id"), 1);
  EXPECT_TRUE(JsonReply::parse("{\"a\":1}{\"b\":[[[", ReplyShape::Object).valid());
  // Text before the root value is no JSON.
  EXPECT_FALSE(JsonReply::parse("<b>Notice</b>{\"a\":1}", ReplyShape::Object).valid());
}

TEST(JsonReplyLikeJsoncpp, BytesThatAreNotUtf8ReadAsReplacementsInTheirTextOnly) {
  // "中文" in GBK, a lone continuation byte, a truncated sequence, an overlong "/".
  const std::string body = "{\"ipname\":\"\xD6\xD0\xCE\xC4\",\"b\":\"a\x80z\",\"c\":\"\xE4\xB8\",\"d\":\"\xC0\xAF\","
                           "\"expiredate\":\"2027-01-01\",\"name\":\"上海\"} // \xFF\xFE\n\xFF";
  const JsonReply reply = JsonReply::parse(body, ReplyShape::Object);
  ASSERT_TRUE(reply.valid());
  const JsonObjectReader json = reply.object();
  EXPECT_EQ(json.text("ipname"), L"\uFFFD\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(json.text("b"), L"a\uFFFDz");
  EXPECT_EQ(json.text("c"), L"\uFFFD");
  EXPECT_EQ(json.text("d"), L"\uFFFD");
  EXPECT_EQ(json.text("expiredate"), L"2027-01-01");
  EXPECT_EQ(json.text("name"), L"上海");
  // A byte that is not UTF-8 outside a text is still no JSON.
  EXPECT_FALSE(JsonReply::parse("{\"a\":1,\xFF\"b\":2}", ReplyShape::Object).valid());
}

TEST(JsonReplyBounds, DepthCountsOnlyRealNesting) {
  // Brackets in comments and after the root value are not nesting.
  const std::string brackets(1000, '[');
  EXPECT_TRUE(JsonReply::parse("{/*" + brackets + "*/\"a\":1}" + brackets, ReplyShape::Object).valid());
  // A quote in a comment opens no text: the nesting after it still counts.
  const std::string deep = std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']');
  EXPECT_FALSE(JsonReply::parse("{/* \" */\"a\":" + deep + "}", ReplyShape::Object).valid());
}

TEST(JsonReplyBounds, AnArrayPastItsBoundIsRefusedWhileRead) {
  std::string three = "[{\"id\":1},{\"id\":2},{\"id\":3}]";
  EXPECT_TRUE(JsonReply::parse(three, ReplyShape::Array, 3).valid());
  EXPECT_FALSE(JsonReply::parse(three, ReplyShape::Array, 2).valid());
  // The bound holds for lists inside an object reply too, by default kMaxJsonArrayElements.
  EXPECT_FALSE(JsonReply::parse(R"({"routeip":[1,2,3]})", ReplyShape::Object, 2).valid());
  std::string routes = R"({"routeip":[)";
  for (size_t i = 0; i <= kMaxJsonArrayElements; ++i) routes += i ? ",0" : "0";
  EXPECT_FALSE(JsonReply::parse(routes + "]}", ReplyShape::Object).valid());
  routes.resize(routes.rfind(','));
  EXPECT_TRUE(JsonReply::parse(routes + "]}", ReplyShape::Object).valid());
}

TEST(JsonReplyBounds, ALaterMemberOfTheSameNameWins) {
  const JsonReply reply = JsonReply::parse(R"({"id":1,"list":[{"x":1}],"id":2,"list":[]})", ReplyShape::Object);
  ASSERT_TRUE(reply.valid());
  EXPECT_EQ(reply.object().integer("id"), 2);
  EXPECT_TRUE(reply.object().objects("list").empty());
}

}  // namespace
}  // namespace kestro
