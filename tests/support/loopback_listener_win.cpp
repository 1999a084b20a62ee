#include "tests/support/loopback_listener_win.h"

#include <ws2tcpip.h>

#include <cctype>
#include <cstdlib>

namespace kestro::test {

LoopbackListener::LoopbackListener(const char* address) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  inet_pton(AF_INET, address, &local.sin_addr);
  bind(listener_, reinterpret_cast<sockaddr*>(&local), sizeof(local));
  listen(listener_, 8);
  int length = sizeof(local);
  getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length);
  port_ = ntohs(local.sin_port);
}

LoopbackListener::~LoopbackListener() {
  close();
  WSACleanup();
}

void LoopbackListener::close() {
  if (listener_ != INVALID_SOCKET) closesocket(listener_);
  listener_ = INVALID_SOCKET;
}

size_t contentLength(const std::string& head) {
  std::string lower;
  for (char c : head) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  const size_t at = lower.find("content-length:");
  return at == std::string::npos ? 0 : std::strtoul(head.c_str() + at + 15, nullptr, 10);
}

std::string readHttpRequest(SOCKET client) {
  std::string request;
  char buffer[4096];
  size_t wanted = std::string::npos;
  while (wanted == std::string::npos || request.size() < wanted) {
    const int received = recv(client, buffer, sizeof(buffer), 0);
    if (received <= 0) break;
    request.append(buffer, static_cast<size_t>(received));
    const size_t headEnd = request.find("\r\n\r\n");
    if (headEnd != std::string::npos) wanted = headEnd + 4 + contentLength(request.substr(0, headEnd + 2));
  }
  return request;
}

}  // namespace kestro::test
