#include "standins/reference_node/node_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "standins/posix/file_descriptor.h"
#include "standins/reference_node/echo_server.h"
#include "standins/reference_node/node_protocol.h"

namespace kestro::refnode {
namespace {

constexpr int kHandshakeTimeoutMs = 10000;
constexpr int kTicksPerSecond = 4;

// Reads up to the first LF within the time-out; nothing on failure.
std::optional<std::string> readHandshakeLine(int fd) {
  std::string line;
  char c = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHandshakeTimeoutMs);
  while (line.size() <= kMaxHandshakeLine) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    pollfd waiting{fd, POLLIN, 0};
    if (left <= 0 || poll(&waiting, 1, static_cast<int>(left)) != 1) return std::nullopt;
    if (recv(fd, &c, 1, 0) != 1) return std::nullopt;
    if (c == '\n') return line;
    line += c;
  }
  return std::nullopt;
}

void serveTunnel(int accepted, const NodeData& data, size_t bytesPerSecond, std::string peer) {
  FileDescriptor connection(accepted);
  const auto line = readHandshakeLine(connection.get());
  const std::string answer = line ? answerHandshake(*line, data) : "DENIED\n";
  const auto credentials = line ? parseHandshake(*line) : std::nullopt;
  std::printf("reference node: %s user \"%s\": %s", peer.c_str(), credentials ? credentials->userName.c_str() : "",
              answer.c_str());
  std::fflush(stdout);
  if (send(connection.get(), answer.data(), answer.size(), MSG_NOSIGNAL) < 0 || answer != "OK\n") return;

  const std::vector<char> chunk(bytesPerSecond / kTicksPerSecond, 's');
  std::vector<char> sink(16384);
  auto nextTick = std::chrono::steady_clock::now();
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= nextTick) {
      if (!chunk.empty() && send(connection.get(), chunk.data(), chunk.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
          errno != EAGAIN) {
        break;
      }
      nextTick += std::chrono::milliseconds(1000 / kTicksPerSecond);
      continue;
    }
    pollfd waiting{connection.get(), POLLIN, 0};
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - now).count();
    if (poll(&waiting, 1, static_cast<int>(wait)) == 1) {
      if (recv(connection.get(), sink.data(), sink.size(), 0) <= 0) break;
    }
  }
  std::printf("reference node: %s closed\n", peer.c_str());
  std::fflush(stdout);
}

int openListener(const NodeEndpoint& endpoint) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  const int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(endpoint.port);
  if (inet_pton(AF_INET, endpoint.address.c_str(), &address.sin_addr) != 1 ||
      bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(fd, 16) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void acceptLoop(int listener, const NodeData& data, size_t bytesPerSecond, std::string where) {
  for (;;) {
    sockaddr_in peer{};
    socklen_t length = sizeof(peer);
    const int accepted = accept(listener, reinterpret_cast<sockaddr*>(&peer), &length);
    if (accepted < 0) continue;
    char peerText[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, peerText, sizeof(peerText));
    std::thread(serveTunnel, accepted, std::cref(data), bytesPerSecond,
                where + " <- " + peerText + ":" + std::to_string(ntohs(peer.sin_port)))
        .detach();
  }
}

}  // namespace

int runNodeServer(const NodeData& data, size_t bytesPerSecond) {
  for (const NodeEndpoint& server : data.gameServers) {
    std::string error;
    if (!startEchoServer(server, error)) {
      std::fprintf(stderr, "reference node: %s\n", error.c_str());
      return 1;
    }
    std::printf("reference node: game server echoing on %s:%u\n", server.address.c_str(),
                static_cast<unsigned>(server.port));
  }
  std::vector<std::thread> listeners;
  for (const NodeEndpoint& endpoint : data.endpoints) {
    const int fd = openListener(endpoint);
    const std::string where = endpoint.address + ":" + std::to_string(endpoint.port);
    if (fd < 0) {
      std::fprintf(stderr, "reference node: cannot listen on %s: %s\n", where.c_str(), std::strerror(errno));
      return 1;
    }
    std::printf("reference node: listening on %s\n", where.c_str());
    listeners.emplace_back(acceptLoop, fd, std::cref(data), bytesPerSecond, where);
  }
  std::fflush(stdout);
  for (std::thread& listener : listeners) listener.join();
  return 0;
}

}  // namespace kestro::refnode
