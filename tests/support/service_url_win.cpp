#include <winsock2.h>

#include "tests/support/service_url_win.h"

#include <cstdlib>

#include "app/deployment.h"
#include "base/text_convert.h"
#include "service/service_exchange.h"

namespace kestro::test {

ServiceUrlOverride::ServiceUrlOverride(const std::wstring& baseUrl) {
  if (const char* value = std::getenv("KESTRO_SERVICE_URL")) {
    previous_ = value;
    hadPrevious_ = true;
  }
  _putenv_s("KESTRO_SERVICE_URL", toUtf8(baseUrl).c_str());
}

void ServiceUrlOverride::restore() {
  // An empty value removes the variable.
  _putenv_s("KESTRO_SERVICE_URL", hadPrevious_ ? previous_.c_str() : "");
}

std::wstring stoppedServiceUrl() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  // A port the system just gave out and took back: nothing listens there.
  SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  int length = sizeof(address);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  closesocket(probe);
  WSACleanup();
  return L"http://127.0.0.1:" + std::to_wstring(ntohs(address.sin_port)) + L"/";
}

testing::AssertionResult referenceServiceAnswers() {
  if (exchangeWithService(L"%sannounce.php", HttpMethod::Get, {}, ReplyShape::Array).ok())
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "no reference service at " << toUtf8(serviceBaseUrl())
                                     << "; scripts/test starts one (start_services in scripts/lib/common.sh) and sets "
                                        "KESTRO_SERVICE_URL";
}

}  // namespace kestro::test
