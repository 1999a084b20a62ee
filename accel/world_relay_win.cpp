#include "accel/world_relay_win.h"

#include <ws2tcpip.h>

#include <cstdlib>

#include "app/deployment.h"
#include "base/text_convert.h"

namespace kestro {
namespace {

constexpr DWORD kPatienceMs = 3000;  // the relay answers at once; a stuck one must not hold its caller up
constexpr size_t kLongestAnswer = 512;

SOCKET connectTo(const std::string& control) {
  const size_t colon = control.rfind(':');
  if (colon == std::string::npos) return INVALID_SOCKET;
  sockaddr_in relay{};
  relay.sin_family = AF_INET;
  relay.sin_port = htons(static_cast<u_short>(std::strtoul(control.c_str() + colon + 1, nullptr, 10)));
  if (InetPtonA(AF_INET, control.substr(0, colon).c_str(), &relay.sin_addr) != 1) return INVALID_SOCKET;
  const SOCKET connection = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (connection == INVALID_SOCKET) return INVALID_SOCKET;
  const DWORD patience = kPatienceMs;
  setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&patience), sizeof patience);
  setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&patience), sizeof patience);
  if (connect(connection, reinterpret_cast<const sockaddr*>(&relay), sizeof relay) != 0) {
    closesocket(connection);
    return INVALID_SOCKET;
  }
  return connection;
}

// One question and its answer line; nothing when the connection failed.
std::optional<std::string> exchangeLine(SOCKET connection, const std::string& line) {
  const std::string request = line + "\n";
  if (send(connection, request.data(), static_cast<int>(request.size()), 0) != static_cast<int>(request.size())) {
    return std::nullopt;
  }
  std::string answer;
  char chunk[128];
  while (answer.find('\n') == std::string::npos && answer.size() < kLongestAnswer) {
    const int got = recv(connection, chunk, sizeof chunk, 0);
    if (got <= 0) return std::nullopt;
    answer.append(chunk, static_cast<size_t>(got));
  }
  const size_t end = answer.find('\n');
  // More than the line: not an answer to this question; the connection is not trusted again.
  if (end == std::string::npos || end + 1 != answer.size()) return std::nullopt;
  answer.resize(end);
  if (!answer.empty() && answer.back() == '\r') answer.pop_back();
  return answer;
}

}  // namespace

WorldRelayConnection::WorldRelayConnection() {
  WSADATA data;
  started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WorldRelayConnection::~WorldRelayConnection() {
  close();
  if (started_) WSACleanup();
}

void WorldRelayConnection::close() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

std::optional<std::string> WorldRelayConnection::ask(const std::string& line) {
  if (!started_) return std::nullopt;
  // A kept connection the relay has since closed fails once; a new one is asked then.
  for (int attempt = socket_ == INVALID_SOCKET ? 1 : 0; attempt < 2; ++attempt) {
    if (socket_ == INVALID_SOCKET) {
      const std::wstring control = worldRelayControl();
      if (control.empty()) return std::nullopt;
      socket_ = connectTo(toUtf8(control));
    }
    if (socket_ == INVALID_SOCKET) return std::nullopt;
    if (auto answer = exchangeLine(socket_, line)) return answer;
    close();
  }
  return std::nullopt;
}

std::optional<std::string> askWorldRelay(const std::string& line) { return WorldRelayConnection().ask(line); }

}  // namespace kestro
