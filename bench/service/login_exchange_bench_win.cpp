// 1,000 sequential login exchanges (connect, POST login.php, read, parse) with
// the reference service at KESTRO_SERVICE_URL: the median wall time per
// exchange and the client's CPU time per exchange. Every wait is a blocking
// wait on an event, so the CPU time shows whether the client ever spins.
// Then the same exchanges through bare blocking Winsock calls (the same request
// bytes, the reply read to its end and searched for "authed":true), and the
// ratio of the two CPU times: what the client costs beyond the sockets.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/deployment.h"
#include "base/text_convert.h"
#include "service/http_client.h"
#include "service/http_url.h"
#include "service/login_worker.h"
#include "service/service_exchange.h"

namespace {

constexpr int kExchanges = 1000;

double cpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& time) {
    return (static_cast<double>(time.dwHighDateTime) * 4294967296.0 + time.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

// One exchange with blocking calls only: connect, send, read until the
// server closes, look for the answer.
bool bareExchange(const sockaddr_in& address, const std::string& request) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  bool authed = false;
  if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
      send(s, request.data(), static_cast<int>(request.size()), 0) == static_cast<int>(request.size())) {
    std::string reply;
    char block[4096];
    for (int got; (got = recv(s, block, sizeof(block), 0)) > 0;) reply.append(block, static_cast<size_t>(got));
    authed = reply.starts_with("HTTP/1.1 200") && reply.find("\"authed\":true") != std::string::npos;
  }
  closesocket(s);
  return authed;
}

}  // namespace

int main() {
  using namespace kestro;
  const std::vector<FormField> form = loginForm(L"kestro", L"kestro123", clientVersion(), "BENCH0000000000000000");

  // The same request bytes for the bare Winsock client.
  const auto url = parseHttpUrl(endpointUrl(L"%slogin.php"), 80);
  if (!url) return 1;
  RequestOptions options;
  options.method = L"POST";
  options.dataType = kFormDataType;
  options.body = encodeForm(form);
  // The reference service closes after each answer when asked to.
  options.extraHeaders = L"Connection: close\r\n";
  const std::string request = buildRequestHead(*url, options) + options.body;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(url->port);
  address.sin_addr.s_addr = inet_addr(toUtf8(url->host).c_str());
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);

  // The two clients take turns in blocks of 100, so that the machine's drift
  // during the run weighs on both alike.
  constexpr int kBlock = 100;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> milliseconds;
  milliseconds.reserve(kExchanges);
  int failures = 0, bareFailures = 0;
  double cpu = 0, bare = 0;
  for (int done = 0; done < kExchanges; done += kBlock) {
    double before = cpuSeconds();
    for (int i = 0; i < kBlock; ++i) {
      QueryPerformanceCounter(&start);
      const ServiceReply reply = exchangeWithService(L"%slogin.php", HttpMethod::Post, form, ReplyShape::Object);
      const bool authed = reply.ok() && reply.object().boolean("authed");
      QueryPerformanceCounter(&end);
      if (!authed) ++failures;
      milliseconds.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    }
    cpu += cpuSeconds() - before;
    before = cpuSeconds();
    for (int i = 0; i < kBlock; ++i)
      if (!bareExchange(address, request)) ++bareFailures;
    bare += cpuSeconds() - before;
  }
  std::sort(milliseconds.begin(), milliseconds.end());
  std::printf("login exchanges against %s: %d, %d failed\n", toUtf8(serviceBaseUrl()).c_str(), kExchanges, failures);
  std::printf("median %.3f ms, 90th percentile %.3f ms, slowest %.3f ms per exchange\n", milliseconds[kExchanges / 2],
              milliseconds[kExchanges * 9 / 10], milliseconds.back());
  std::printf("client CPU time %.3f ms per exchange\n", 1000.0 * cpu / kExchanges);
  std::printf("bare Winsock client CPU time %.3f ms per exchange (%d failed); client / bare %.2f\n",
              1000.0 * bare / kExchanges, bareFailures, bare > 0 ? cpu / bare : 0.0);

  // Where the difference goes: the client's work without any socket, on a
  // recorded answer (request building, reply reading and parsing).
  std::string answer;
  {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
        send(s, request.data(), static_cast<int>(request.size()), 0) > 0) {
      char block[4096];
      for (int got; (got = recv(s, block, sizeof(block), 0)) > 0;) answer.append(block, static_cast<size_t>(got));
    }
    closesocket(s);
  }
  const size_t bodyAt = answer.find("\r\n\r\n");
  const std::string body = bodyAt == std::string::npos ? std::string() : answer.substr(bodyAt + 4);
  const double workBefore = cpuSeconds();
  for (int i = 0; i < kExchanges; ++i) {
    const std::string head = buildRequestHead(*url, options) + encodeForm(form);
    const ServiceReply reply = interpretServiceReply(HttpFailure::None, 200, body, ReplyShape::Object);
    if (head.empty() || !reply.ok()) ++bareFailures;
  }
  std::printf("client work without sockets %.3f ms per exchange\n", 1000.0 * (cpuSeconds() - workBefore) / kExchanges);
  return failures == 0 && bareFailures == 0 ? 0 : 1;
}
