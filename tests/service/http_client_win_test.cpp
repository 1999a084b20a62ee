#include "service/http_client_win.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text_convert.h"
#include "tests/support/scripted_server_win.h"

namespace kestro {
namespace {

using namespace kestro::test;

struct Result {
  bool ok;
  HttpFailure failure;
  int status;
  std::string body;
};

Result get(const std::wstring& url, uint32_t timeoutMs = 10000) {
  ServiceHttpClient client;
  RequestOptions options;
  options.timeoutMs = timeoutMs;
  const bool ok = client.navigate(url, options);
  return {ok, client.failure(), client.status(), std::string(client.body(), client.bodyLength())};
}

TEST(HttpClientWinsock, ExplicitPortButHostWithoutIt) {
  ScriptedServer server({answer(200, "hello")});
  const Result result = get(server.url(L"/dir/page.php?x=1"));
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.body, "hello");
  EXPECT_EQ(server.received().at(0),
            "GET /dir/page.php?x=1 HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Microsoft-ATL-Native/10.00\r\n\r\n");
}

TEST(HttpClientWinsock, BodyWithoutLengthIsReadUntilClose) {
  ScriptedServer server({{readRequest(), sendBytes("HTTP/1.0 200 OK\r\n\r\nfirst "), pause(200), sendBytes("second"),
                          closeNow()}});
  const Result result = get(server.url());
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.body, "first second");
}

TEST(HttpClientWinsock, InterimContinueThenFinal) {
  ScriptedServer server({{readRequest(), sendBytes("HTTP/1.1 100 Continue\r\n\r\n"), pause(100),
                          sendBytes("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nfinal")}});
  const Result result = get(server.url());
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.body, "final");
}

TEST(HttpClientWinsock, ErrorStatusesFail) {
  for (int status : {404, 500}) {
    ScriptedServer server({answer(status, "no")});
    const Result result = get(server.url());
    EXPECT_EQ(result.failure, HttpFailure::RefusedStatus) << status;
    EXPECT_EQ(result.status, status);
  }
}

TEST(HttpClientWinsock, RedirectToAnotherLoopbackAddressReconnects) {
  ScriptedServer second({answer(200, "moved here")}, "127.0.0.2");
  ScriptedServer first({answer(302, "", "Location: " + toUtf8(second.url(L"/next")) + "\r\n")});
  const Result result = get(first.url(L"/start"));
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.body, "moved here");
  ASSERT_EQ(second.connections(), 1);
  EXPECT_EQ(second.received()[0].substr(0, 26), "GET /next HTTP/1.1\r\nHost: ");
  EXPECT_NE(second.received()[0].find("Host: 127.0.0.2\r\n"), std::string::npos);
}

TEST(HttpClientWinsock, LowerCaseHeaderNames) {
  ScriptedServer server({{readRequest(), sendBytes("HTTP/1.1 200 OK\r\ncontent-length: 3\r\n\r\nabc")}});
  const Result result = get(server.url());
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.body, "abc");
}

TEST(HttpClientWinsock, ChunkedWithTrailerInPieces) {
  ScriptedServer server({{readRequest(),
                          sendBytes("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nTrailer: X-Check\r\n\r\n4\r\nKes"),
                          pause(100), sendBytes("t\r\n2\r\nro\r\n0\r\nX-Check: 6\r\n"), pause(100), sendBytes("\r\n")}});
  ServiceHttpClient client;
  ASSERT_TRUE(client.navigate(server.url(), RequestOptions{}));
  EXPECT_EQ(std::string(client.body()), "Kestro");
  EXPECT_EQ(client.headers().find("x-check"), "6");
}

TEST(HttpClientWinsock, MalformedChunksFail) {
  const char* bodies[] = {
      "5;ext=1\r\nhello\r\n0\r\n\r\n",  // extension after the size
      "g\r\nhello\r\n0\r\n\r\n",        // not hexadecimal
      "5\r\nhelloXX0\r\n\r\n",          // no CR LF after the data
      "123456789\r\nx\r\n0\r\n\r\n",    // nine digits
      "FFFFFFFF\r\nx\r\n0\r\n\r\n",     // beyond a signed 32-bit size
  };
  for (const char* body : bodies) {
    ScriptedServer server(
        {{readRequest(), sendBytes(std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n") + body)}});
    EXPECT_EQ(get(server.url(), 2000).failure, HttpFailure::BadAnswer) << body;
  }
}

TEST(HttpClientWinsock, HeaderCap) {
  std::string flood = "HTTP/1.1 200 OK\r\n";
  while (flood.size() <= 70 * 1024) flood += "X-Flood: " + std::string(100, 'f') + "\r\n";
  ScriptedServer server({{readRequest(), sendBytes(flood), silent()}});
  EXPECT_EQ(get(server.url()).failure, HttpFailure::BadAnswer);
}

TEST(HttpClientWinsock, BodyCap) {
  ScriptedServer promised({{readRequest(), sendBytes("HTTP/1.1 200 OK\r\nContent-Length: 16777217\r\n\r\n"), silent()}});
  EXPECT_EQ(get(promised.url()).failure, HttpFailure::BadAnswer);

  ScriptedServer endless({{readRequest(), sendBytes("HTTP/1.0 200 OK\r\n\r\n"), sendBytes(std::string(17 << 20, 'b'))}});
  EXPECT_EQ(get(endless.url()).failure, HttpFailure::BadAnswer);
}

TEST(HttpClientWinsock, CloseMidBodyFails) {
  ScriptedServer server({{readRequest(), sendBytes("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly part"), closeNow()}});
  EXPECT_EQ(get(server.url()).failure, HttpFailure::BrokenAnswer);
}

TEST(HttpClientWinsock, SilentServerFailsWithinTheTimeOut) {
  ScriptedServer server({{silent()}});
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(get(server.url(), 500).failure, HttpFailure::NoAnswer);
  const ULONGLONG elapsed = GetTickCount64() - start;
  EXPECT_GE(elapsed, 400u);
  EXPECT_LT(elapsed, 5000u);
}

TEST(HttpClientWinsock, NobodyListeningFails) {
  uint16_t freePort;
  {
    ScriptedServer probe({});
    freePort = probe.port();
  }
  EXPECT_EQ(get(L"http://127.0.0.1:" + std::to_wstring(freePort) + L"/", 2000).failure, HttpFailure::Connect);
}

TEST(HttpClientWinsock, ConnectionsOneAfterAnotherOnAThreadTakeNothingFromTheLastOne) {
  // Each connection of a thread waits on the event of the one before (kept
  // after its last bytes and close): a silent server still times out, a
  // refused connection still fails, and each answer is its own.
  ScriptedServer closing({{readRequest(), sendBytes("HTTP/1.0 200 OK\r\n\r\nfirst"), closeNow()}});
  EXPECT_EQ(get(closing.url()).body, "first");
  ScriptedServer silentOne({{silent()}});
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(get(silentOne.url(), 500).failure, HttpFailure::NoAnswer);
  EXPECT_GE(GetTickCount64() - start, 400u);
  uint16_t freePort;
  {
    ScriptedServer probe({});
    freePort = probe.port();
  }
  EXPECT_EQ(get(L"http://127.0.0.1:" + std::to_wstring(freePort) + L"/", 2000).failure, HttpFailure::Connect);
  for (int i = 0; i < 20; ++i) {
    ScriptedServer next({answer(200, "answer " + std::to_string(i))});
    const Result result = get(next.url());
    EXPECT_TRUE(result.ok) << i;
    EXPECT_EQ(result.body, "answer " + std::to_string(i));
  }
}

TEST(HttpClientWinsock, FormPostBytes) {
  ScriptedServer server({answer(200, "{}")});
  ServiceHttpClient client;
  RequestOptions options;
  options.method = L"POST";
  options.dataType = kFormDataType;
  options.body = std::string(9000, 'v');
  ASSERT_TRUE(client.navigate(server.url(L"/acc.php"), options));
  EXPECT_EQ(server.received().at(0),
            "POST /acc.php HTTP/1.1\r\nContent-Length: 9000\r\nContent-Type: application/x-www-form-urlencoded\r\n"
            "Host: 127.0.0.1\r\nUser-Agent: Microsoft-ATL-Native/10.00\r\n\r\n" +
                options.body);
}

}  // namespace
}  // namespace kestro
