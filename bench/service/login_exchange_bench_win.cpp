// 1,000 sequential login exchanges (connect, POST login.php, read, parse) with
// the reference service at KESTRO_SERVICE_URL: the median wall time per
// exchange and the client's CPU time per exchange. Every wait is a blocking
// wait on an event, so the CPU time shows whether the client ever spins.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/deployment.h"
#include "app/text_convert.h"
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

}  // namespace

int main() {
  using namespace kestro;
  const std::vector<FormField> form = loginForm(L"kestro", L"kestro123", clientVersion(), "BENCH0000000000000000");
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> milliseconds;
  milliseconds.reserve(kExchanges);
  int failures = 0;
  const double cpuBefore = cpuSeconds();
  for (int i = 0; i < kExchanges; ++i) {
    QueryPerformanceCounter(&start);
    const ServiceReply reply = exchangeWithService(L"%slogin.php", HttpMethod::Post, form, ReplyShape::Object);
    const bool authed = reply.ok() && reply.object().boolean("authed");
    QueryPerformanceCounter(&end);
    if (!authed) ++failures;
    milliseconds.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
  }
  const double cpu = cpuSeconds() - cpuBefore;
  std::sort(milliseconds.begin(), milliseconds.end());
  std::printf("login exchanges against %s: %d, %d failed\n", toUtf8(serviceBaseUrl()).c_str(), kExchanges, failures);
  std::printf("median %.3f ms, 90th percentile %.3f ms, slowest %.3f ms per exchange\n", milliseconds[kExchanges / 2],
              milliseconds[kExchanges * 9 / 10], milliseconds.back());
  std::printf("client CPU time %.3f ms per exchange\n", 1000.0 * cpu / kExchanges);
  return failures == 0 ? 0 : 1;
}
