#include "accel/tunnel_params.h"

#include <gtest/gtest.h>

#include "service/service_exchange.h"

namespace kestro {
namespace {

TEST(TunnelParams, ReadFromAnAccReply) {
  ServiceReply reply = interpretServiceReply(HttpFailure::None, 200,
      R"({"error":"","nodeip":"127.0.0.2","nodeport":7001,)"
      R"("routeip":[{"ipaddr":"203.0.113.7","ipmask":32},{"ipaddr":"198.51.100.0","ipmask":24}],)"
      R"("servertime":"2026-12-08 09:30:00"})",
      ReplyShape::Object);
  reply.applyErrorMember();
  const TunnelParams params = readTunnelParams(reply.object());
  ASSERT_TRUE(reply.ok());
  EXPECT_EQ(params.nodeIp, "127.0.0.2");
  EXPECT_EQ(params.nodePort, 7001);
  ASSERT_EQ(params.routes.size(), 2u);
  EXPECT_EQ(params.routes[0].address, L"203.0.113.7");
  EXPECT_EQ(params.routes[0].prefixLength, 32);
  EXPECT_EQ(params.routes[1].address, L"198.51.100.0");
  EXPECT_EQ(params.routes[1].prefixLength, 24);
  EXPECT_EQ(params.serverTime, L"2026-12-08 09:30:00");
}

TEST(TunnelParams, EmptyAndMissingMembers) {
  ServiceReply reply = interpretServiceReply(HttpFailure::None, 200, R"({"nodeip":"127.0.0.2","routeip":[]})", ReplyShape::Object);
  const TunnelParams params = readTunnelParams(reply.object());
  EXPECT_TRUE(reply.ok());
  EXPECT_TRUE(params.routes.empty());
  EXPECT_EQ(params.nodePort, 0);
  EXPECT_EQ(params.serverTime, L"");
}

TEST(TunnelParams, AMemberOfTheWrongTypeMakesTheReplyMalformed) {
  for (const char* body : {R"({"nodeport":"7001"})", R"({"routeip":[{"ipaddr":"1.2.3.4","ipmask":"24"}]})",
                           R"({"routeip":[5]})", R"({"servertime":[20261208]})"}) {
    ServiceReply reply = interpretServiceReply(HttpFailure::None, 200, body, ReplyShape::Object);
    readTunnelParams(reply.object());
    EXPECT_EQ(reply.failure(), ServiceFailure::Parse) << body;
  }
}

}  // namespace
}  // namespace kestro
