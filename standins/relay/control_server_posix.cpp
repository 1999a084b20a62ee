#include "standins/relay/control_server_posix.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace kestro::relay {
namespace {

constexpr size_t kMaxLine = 4096;
constexpr size_t kMaxConnections = 64;

}  // namespace

ControlServer::~ControlServer() {
  for (const Connection& connection : connections_) close(connection.fd);
}

void ControlServer::addPollEntries(std::vector<pollfd>& entries) const {
  entries.push_back({listener_, POLLIN, 0});
  for (const Connection& connection : connections_) {
    entries.push_back({connection.fd, static_cast<short>(connection.output.empty() ? POLLIN : POLLIN | POLLOUT), 0});
  }
}

void ControlServer::serve(const std::vector<pollfd>& entries, size_t first, Relay& relay) {
  std::vector<Connection> kept;
  for (size_t i = 0; i < connections_.size(); ++i) {
    const short events = entries[first + 1 + i].revents;
    if (events == 0 || serveConnection(connections_[i], events, relay)) {
      kept.push_back(std::move(connections_[i]));
    } else {
      close(connections_[i].fd);
    }
  }
  connections_ = std::move(kept);
  if (entries[first].revents & POLLIN) {
    for (;;) {
      const int fd = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) break;
      if (connections_.size() >= kMaxConnections) {
        close(fd);
        continue;
      }
      connections_.push_back({fd, {}, {}});
    }
  }
}

bool ControlServer::serveConnection(Connection& connection, short events, Relay& relay) {
  bool closed = false;  // the peer has finished sending
  if (events & (POLLIN | POLLHUP | POLLERR)) {
    char chunk[4096];
    const ssize_t got = recv(connection.fd, chunk, sizeof chunk, 0);
    if (got < 0 && errno != EAGAIN && errno != EINTR) return false;
    closed = got == 0;
    if (got > 0) connection.input.append(chunk, static_cast<size_t>(got));
    if (got == 0 && !connection.input.empty()) connection.input += '\n';  // a last line without LF
    size_t end;
    while ((end = connection.input.find('\n')) != std::string::npos) {
      connection.output += relay.answer(std::string_view(connection.input).substr(0, end)) + "\n";
      connection.input.erase(0, end + 1);
    }
    if (connection.input.size() > kMaxLine) {
      connection.output += "error line too long\n";
      connection.input.clear();
    }
  }
  while (!connection.output.empty()) {
    const ssize_t sent = send(connection.fd, connection.output.data(), connection.output.size(), MSG_NOSIGNAL);
    if (sent < 0) return errno == EAGAIN || errno == EINTR;
    connection.output.erase(0, static_cast<size_t>(sent));
  }
  return !closed;
}

}  // namespace kestro::relay
