#include "accel/world_relay_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>

#include "app/deployment.h"
#include "base/text_convert.h"

namespace kestro {
namespace {

constexpr DWORD kPatienceMs = 3000;  // the relay answers at once; a stuck one must not hold its caller up
constexpr size_t kLongestAnswer = 512;

struct OwnedSocket {
  SOCKET socket = INVALID_SOCKET;
  ~OwnedSocket() {
    if (socket != INVALID_SOCKET) closesocket(socket);
  }
};

std::optional<std::string> exchangeLine(const std::string& control, const std::string& line) {
  const size_t colon = control.rfind(':');
  if (colon == std::string::npos) return std::nullopt;
  sockaddr_in relay{};
  relay.sin_family = AF_INET;
  relay.sin_port = htons(static_cast<u_short>(std::strtoul(control.c_str() + colon + 1, nullptr, 10)));
  if (InetPtonA(AF_INET, control.substr(0, colon).c_str(), &relay.sin_addr) != 1) return std::nullopt;
  OwnedSocket connection{::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)};
  const DWORD patience = kPatienceMs;
  setsockopt(connection.socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&patience), sizeof patience);
  setsockopt(connection.socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&patience), sizeof patience);
  const std::string request = line + "\n";
  if (connection.socket == INVALID_SOCKET ||
      connect(connection.socket, reinterpret_cast<const sockaddr*>(&relay), sizeof relay) != 0 ||
      send(connection.socket, request.data(), static_cast<int>(request.size()), 0) != static_cast<int>(request.size())) {
    return std::nullopt;
  }
  std::string answer;
  char chunk[128];
  while (answer.find('\n') == std::string::npos && answer.size() < kLongestAnswer) {
    const int got = recv(connection.socket, chunk, sizeof chunk, 0);
    if (got <= 0) return std::nullopt;
    answer.append(chunk, static_cast<size_t>(got));
  }
  const size_t end = answer.find('\n');
  if (end == std::string::npos) return std::nullopt;
  answer.resize(end);
  if (!answer.empty() && answer.back() == '\r') answer.pop_back();
  return answer;
}

}  // namespace

std::optional<std::string> askWorldRelay(const std::string& line) {
  const std::wstring control = worldRelayControl();
  if (control.empty()) return std::nullopt;
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return std::nullopt;
  const auto answer = exchangeLine(toUtf8(control), line);
  WSACleanup();
  return answer;
}

}  // namespace kestro
