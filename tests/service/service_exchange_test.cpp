#include "service/service_exchange.h"

#include <gtest/gtest.h>

#include "service/login_worker.h"

namespace kestro {
namespace {

TEST(ServiceForm, PlainLettersAndDigitsStayByteForByte) {
  EXPECT_EQ(encodeForm(loginForm(L"kestro", L"abc123", 3001, "WD0ABC1234567")),
            "username=kestro&password=abc123&clientver=3001&machineguid=WD0ABC1234567");
}

TEST(ServiceForm, EverythingElseIsPercentEncoded) {
  EXPECT_EQ(encodeForm({{"password", L"a&b=c d+e%"}}), "password=a%26b%3Dc%20d%2Be%25");
  EXPECT_EQ(encodeForm({{"username", L"玩家"}}), "username=%E7%8E%A9%E5%AE%B6");
  EXPECT_EQ(encodeForm({{"x", "-._~"}, {"n", -5}}), "x=-._~&n=-5");
  EXPECT_EQ(encodeForm({}), "");
}

TEST(ServiceExchange, FailureClasses) {
  struct Row {
    HttpFailure failed;
    int status;
    std::string body;
    ReplyShape shape;
    ServiceFailure expected;
  } rows[] = {
      {HttpFailure::NoAnswer, -1, "", ReplyShape::Object, ServiceFailure::Connect},
      {HttpFailure::None, 204, "{}", ReplyShape::Object, ServiceFailure::Status},
      {HttpFailure::None, 200, "", ReplyShape::Object, ServiceFailure::Parse},
      {HttpFailure::None, 200, "not json", ReplyShape::Object, ServiceFailure::Parse},
      {HttpFailure::None, 200, "[]", ReplyShape::Object, ServiceFailure::Parse},
      {HttpFailure::None, 200, "{}", ReplyShape::Array, ServiceFailure::Parse},
      {HttpFailure::None, 200, "[1,2]", ReplyShape::Array, ServiceFailure::Parse},
      {HttpFailure::None, 200, "{\"a\":1}", ReplyShape::Object, ServiceFailure::None},
      {HttpFailure::None, 200, "[{\"a\":1}]", ReplyShape::Array, ServiceFailure::None},
      {HttpFailure::None, 200, std::string("{}\0garbage", 10), ReplyShape::Object, ServiceFailure::None},
  };
  for (const auto& row : rows)
    EXPECT_EQ(interpretServiceReply(row.failed, row.status, row.body, row.shape).failure(), row.expected)
        << row.body;
}

TEST(ServiceExchange, ErrorMemberIsClassD) {
  ServiceReply refused = interpretServiceReply(HttpFailure::None, 200, R"({"error":"账户已过期"})", ReplyShape::Object);
  refused.applyErrorMember();
  EXPECT_EQ(refused.failure(), ServiceFailure::Refused);
  EXPECT_EQ(refused.message(), L"账户已过期");

  ServiceReply accepted = interpretServiceReply(HttpFailure::None, 200, R"({"error":"","nodeport":9000})", ReplyShape::Object);
  accepted.applyErrorMember();
  EXPECT_EQ(accepted.failure(), ServiceFailure::None);
  EXPECT_EQ(accepted.object().integer("nodeport"), 9000);

  ServiceReply number = interpretServiceReply(HttpFailure::None, 200, R"({"error":5})", ReplyShape::Object);
  number.applyErrorMember();
  EXPECT_EQ(number.failure(), ServiceFailure::Refused) << "a number reads as its digits";
  EXPECT_EQ(number.message(), L"5");

  ServiceReply null = interpretServiceReply(HttpFailure::None, 200, R"({"error":null})", ReplyShape::Object);
  null.applyErrorMember();
  EXPECT_EQ(null.failure(), ServiceFailure::None);

  ServiceReply wrongType = interpretServiceReply(HttpFailure::None, 200, R"({"error":["expired"]})", ReplyShape::Object);
  wrongType.applyErrorMember();
  EXPECT_EQ(wrongType.failure(), ServiceFailure::Parse);
}

TEST(ServiceExchange, MessagesOfEachClass) {
  EXPECT_EQ(interpretServiceReply(HttpFailure::NoAnswer, -1, "", ReplyShape::Object).message(),
            L"无法连接泓迈中心服务器，请确认您的网络连接正常");
  EXPECT_EQ(interpretServiceReply(HttpFailure::None, 302, "", ReplyShape::Object).message(),
            L"服务器返回信息错误，请重试，如多次重试依然失败，请联系在线客服");
  EXPECT_EQ(interpretServiceReply(HttpFailure::None, 200, "", ReplyShape::Object).message(),
            L"服务器返回信息解析错误，请重试，如多次重试依然失败，请联系在线客服");
  EXPECT_EQ(interpretServiceReply(HttpFailure::None, 200, "{}", ReplyShape::Object).message(), L"");
}

TEST(ServiceExchange, EndpointUrlFillsTheBaseUrl) {
  const std::wstring url = endpointUrl(L"%sgame.php?type=0");
  EXPECT_EQ(url.substr(0, 7), L"http://");
  EXPECT_EQ(url.substr(url.size() - 16), L"/game.php?type=0");
}

}  // namespace
}  // namespace kestro
