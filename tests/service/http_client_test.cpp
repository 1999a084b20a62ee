#include "service/http_client.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace kestro {
namespace {

// A connection that replays scripted replies: one script per connect, each
// entry one receive (an empty entry is an empty receive, the peer's orderly
// close); past its end a receive fails, as on a reset or a time-out. It
// records the hosts connected to and the bytes sent on each connection.
struct ScriptedTransport : HttpTransport {
  struct Log {
    std::vector<std::wstring> connects;
    std::vector<std::string> sent;  // one entry per connection
    int closes = 0;
  };
  ScriptedTransport(Log& log, std::deque<std::deque<std::string>> scripts) : log(log), scripts(std::move(scripts)) {}

  bool isConnected() const override { return connected; }
  bool connect(const std::wstring& host, uint16_t port, uint32_t) override {
    log.connects.push_back(host + L":" + std::to_wstring(port));
    log.sent.emplace_back();
    if (scripts.empty()) return false;
    current = std::move(scripts.front());
    scripts.pop_front();
    connected = true;
    return true;
  }
  bool send(const char* data, size_t size, uint32_t) override {
    if (!connected) return false;
    log.sent.back().append(data, size);
    return true;
  }
  int64_t receive(char* buffer, size_t capacity, uint32_t) override {
    if (!connected || current.empty()) return -1;
    std::string& next = current.front();
    const size_t size = std::min(capacity, next.size());
    next.copy(buffer, size);
    next.erase(0, size);
    if (next.empty()) current.pop_front();
    return static_cast<int64_t>(size);
  }
  void close() override {
    if (connected) ++log.closes;
    connected = false;
  }

  Log& log;
  std::deque<std::deque<std::string>> scripts;
  std::deque<std::string> current;
  bool connected = false;
};

struct Outcome {
  bool ok;
  HttpFailure failure;
  int status;
  std::string body;
  ScriptedTransport::Log log;
};

Outcome navigateWith(std::deque<std::deque<std::string>> scripts, const std::wstring& url = L"http://127.0.0.1:8080/a/login.php",
                 RequestOptions options = {}) {
  Outcome run{};
  HttpClient client(std::make_unique<ScriptedTransport>(run.log, std::move(scripts)));
  run.ok = client.navigate(url, options);
  run.failure = client.failure();
  run.status = client.status();
  run.body = std::string(client.body(), client.bodyLength());
  return run;
}

// The bytes of one GET of `path` on the default test server.
std::string getOf(const std::wstring& path) { return buildRequestHead(HttpUrl{L"127.0.0.1", 8080, path, L""}, {}); }

TEST(HttpClient, RequestBytesOfAFormPost) {
  RequestOptions options;
  options.method = L"POST";
  options.dataType = kFormDataType;
  options.body = "username=kestro&password=pw";
  EXPECT_EQ(buildRequestHead(HttpUrl{L"127.0.0.1", 18480, L"/login.php", L""}, options),
            "POST /login.php HTTP/1.1\r\n"
            "Content-Length: 27\r\n"
            "Content-Type: application/x-www-form-urlencoded\r\n"
            "Host: 127.0.0.1\r\n"
            "User-Agent: Microsoft-ATL-Native/10.00\r\n"
            "\r\n");
  EXPECT_EQ(buildRequestHead(HttpUrl{L"h", 80, L"/game.php", L"?type=0"}, RequestOptions{}),
            "GET /game.php?type=0 HTTP/1.1\r\nHost: h\r\nUser-Agent: Microsoft-ATL-Native/10.00\r\n\r\n");
}

TEST(HttpClient, BodyIsSentInBlocksAfterTheHead) {
  RequestOptions options;
  options.method = L"POST";
  options.body = std::string(10000, 'f');
  const Outcome run = navigateWith({{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"}}, L"http://h/", options);
  EXPECT_TRUE(run.ok);
  ASSERT_EQ(run.log.sent.size(), 1u);
  EXPECT_EQ(run.log.sent[0].substr(run.log.sent[0].size() - 10000), options.body);
}

TEST(HttpClient, StatusProcessing) {
  struct Row {
    int status;
    bool ok;
  } rows[] = {{200, true}, {201, true}, {206, true}, {304, true}, {305, true}, {207, false},
              {400, false}, {401, false}, {404, false}, {407, false}, {500, false}, {300, false}};
  for (const auto& row : rows) {
    const Outcome run = navigateWith({{"HTTP/1.1 " + std::to_string(row.status) + " X\r\nContent-Length: 0\r\n\r\n"}});
    EXPECT_EQ(run.ok, row.ok) << row.status;
    EXPECT_EQ(run.failure, row.ok ? HttpFailure::None : HttpFailure::RefusedStatus) << row.status;
  }
}

TEST(HttpClient, RedirectToAnotherHostReconnects) {
  const Outcome run = navigateWith({{"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.2:9000/x\r\nContent-Length: 0\r\n\r\n"},
                                {"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndone"}});
  EXPECT_TRUE(run.ok);
  EXPECT_EQ(run.status, 200);
  EXPECT_EQ(run.body, "done");
  EXPECT_EQ(run.log.connects, (std::vector<std::wstring>{L"127.0.0.1:8080", L"127.0.0.2:9000"}));
  EXPECT_EQ(run.log.sent[1], buildRequestHead(HttpUrl{L"127.0.0.2", 9000, L"/x", L""}, {}));
}

TEST(HttpClient, RedirectOnTheSameHostReusesTheConnection) {
  const Outcome run = navigateWith({{"HTTP/1.1 301 Moved\r\nLocation: next.php\r\nContent-Length: 0\r\n\r\n",
                                 "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"}});
  EXPECT_TRUE(run.ok);
  EXPECT_EQ(run.log.sent, (std::vector<std::string>{getOf(L"/a/login.php") + getOf(L"/a/next.php")}));
}

TEST(HttpClient, RedirectAfterTheServerClosedGoesOnANewConnection) {
  struct Row {
    const char* name;
    std::deque<std::string> first;   // the first connection's receives
    std::vector<std::string> sent;   // what went on each connection
  };
  const std::string login = getOf(L"/a/login.php");
  const std::string next = getOf(L"/b");
  const Row rows[] = {
      {"HTTP/1.0 closes after its response", {"HTTP/1.0 302 Found\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n"},
       {login, next}},
      {"HTTP/1.0 body read until the close", {"HTTP/1.0 302 Found\r\nLocation: /b\r\n\r\nmoved", ""}, {login, next}},
      {"Connection: close on HTTP/1.1",
       {"HTTP/1.1 302 Found\r\nLocation: /b\r\nConnection: close\r\nContent-Length: 0\r\n\r\n"}, {login, next}},
      {"close in a Connection list",
       {"HTTP/1.1 301 Moved\r\nLocation: /b\r\nConnection: Keep-Alive, Close\r\nContent-Length: 0\r\n\r\n"},
       {login, next}},
      {"303 with Connection: close",
       {"HTTP/1.1 303 See\r\nLocation: /b\r\nConnection: close\r\nContent-Length: 0\r\n\r\n"}, {login, next}},
      {"kept-alive 302, then the server closes", {"HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n", ""},
       {login + next, next}},
      {"kept-alive 302, then a reset", {"HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n"},
       {login + next, next}},
  };
  for (const Row& row : rows) {
    const Outcome run = navigateWith({row.first, {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"}});
    EXPECT_TRUE(run.ok) << row.name;
    EXPECT_EQ(run.status, 200) << row.name;
    EXPECT_EQ(run.body, "ok") << row.name;
    EXPECT_EQ(run.log.connects, (std::vector<std::wstring>{L"127.0.0.1:8080", L"127.0.0.1:8080"})) << row.name;
    EXPECT_EQ(run.log.sent, row.sent) << row.name;
  }
}

TEST(HttpClient, OnlyAnUnansweredRequestOnAKeptConnectionIsSentAgain) {
  const std::string redirect = "HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n";
  struct Row {
    const char* name;
    std::deque<std::deque<std::string>> scripts;
    size_t connects;
    HttpFailure failure;
  } rows[] = {
      {"a new connection that closes is not retried", {{""}, {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}}, 1,
       HttpFailure::NoAnswer},
      {"part of an answer is not retried",
       {{redirect, "HTTP/1.1 200 OK\r\nContent-Le"}, {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}}, 1,
       HttpFailure::BrokenAnswer},
      {"the second connection is the last", {{redirect, ""}, {""}, {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}}, 2,
       HttpFailure::NoAnswer},
  };
  for (const auto& row : rows) {
    const Outcome run = navigateWith(row.scripts);
    EXPECT_FALSE(run.ok) << row.name;
    EXPECT_EQ(run.failure, row.failure) << row.name << ": " << httpFailureText(run.failure);
    EXPECT_EQ(run.log.connects.size(), row.connects) << row.name;
  }
}

TEST(HttpClient, BodyReadUntilCloseEndsOnlyWithAnOrderlyClose) {
  const Outcome closed = navigateWith({{"HTTP/1.0 200 OK\r\n\r\nall ", "of it", ""}});
  EXPECT_TRUE(closed.ok);
  EXPECT_EQ(closed.body, "all of it");
  const Outcome broken = navigateWith({{"HTTP/1.0 200 OK\r\n\r\nall ", "of it"}});
  EXPECT_FALSE(broken.ok) << "a reset or a time-out is not the end of the body";
  EXPECT_EQ(broken.failure, HttpFailure::BrokenAnswer);
  EXPECT_EQ(broken.body, "");
}

TEST(HttpClient, RedirectChainIsBounded) {
  const std::string hop = "HTTP/1.1 302 Found\r\nLocation: /again\r\nContent-Length: 0\r\n\r\n";
  std::deque<std::string> hops(kMaxRedirects, hop);
  hops.push_back("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  EXPECT_TRUE(navigateWith({hops}).ok);
  std::deque<std::string> tooMany(kMaxRedirects + 1, hop);
  tooMany.push_back("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(navigateWith({tooMany}).failure, HttpFailure::TooManyRedirects);
}

TEST(HttpClient, RedirectOfAFormFails) {
  RequestOptions options;
  options.method = L"POST";
  options.body = "a=1";
  const Outcome run = navigateWith({{"HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n"},
                                {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}},
                               L"http://h/", options);
  EXPECT_FALSE(run.ok);
  EXPECT_EQ(run.failure, HttpFailure::RedirectWithBody);
  EXPECT_EQ(run.log.connects.size(), 1u);
}

TEST(HttpClient, RedirectWithoutLocationFails) {
  const Outcome run = navigateWith({{"HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n"}});
  EXPECT_FALSE(run.ok);
  EXPECT_EQ(run.failure, HttpFailure::BadRedirect);
}

TEST(HttpClient, StatusAfterARedirectIsLeftToTheCaller) {
  const Outcome run = navigateWith({{"HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n",
                                 "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"}});
  EXPECT_TRUE(run.ok);
  EXPECT_EQ(run.status, 404);
}

TEST(HttpClient, FailureClosesTheConnection) {
  const Outcome run = navigateWith({{"HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n"}});
  EXPECT_EQ(run.failure, HttpFailure::RefusedStatus);
  EXPECT_GE(run.log.closes, 1);
}

TEST(HttpClient, UnreachableHostFails) {
  EXPECT_EQ(navigateWith({}).failure, HttpFailure::Connect);
  EXPECT_EQ(navigateWith({{"x"}}, L"https://h/").failure, HttpFailure::BadUrl);
}

}  // namespace
}  // namespace kestro
