#include "standins/reference_node/echo_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "standins/posix/file_descriptor.h"

namespace kestro::refnode {
namespace {

constexpr size_t kLargestDatagram = 65536;

int openSocket(const NodeEndpoint& server, int type, std::string& error) {
  const int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
  const int yes = 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(server.port);
  if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
      inet_pton(AF_INET, server.address.c_str(), &address.sin_addr) != 1 ||
      bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      (type == SOCK_STREAM && listen(fd, 16) != 0)) {
    error = "cannot serve echo on " + server.address + ":" + std::to_string(server.port) + " (" +
            (type == SOCK_STREAM ? "TCP" : "UDP") + "): " + std::strerror(errno);
    if (fd >= 0) close(fd);
    return -1;
  }
  return fd;
}

void echoConnection(int accepted) {
  const FileDescriptor connection(accepted);
  std::vector<char> buffer(16384);
  for (;;) {
    const ssize_t got = recv(connection.get(), buffer.data(), buffer.size(), 0);
    if (got <= 0) return;
    for (ssize_t sent = 0; sent < got;) {
      const ssize_t out = send(connection.get(), buffer.data() + sent, static_cast<size_t>(got - sent), MSG_NOSIGNAL);
      if (out <= 0) return;
      sent += out;
    }
  }
}

void serveTcp(int listener) {
  for (;;) {
    const int accepted = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (accepted >= 0) std::thread(echoConnection, accepted).detach();
  }
}

void serveUdp(int fd) {
  std::vector<char> datagram(kLargestDatagram);
  for (;;) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const ssize_t got = recvfrom(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&peer), &length);
    if (got >= 0) {
      sendto(fd, datagram.data(), static_cast<size_t>(got), 0, reinterpret_cast<sockaddr*>(&peer), length);
    }
  }
}

}  // namespace

bool startEchoServer(const NodeEndpoint& server, std::string& error) {
  const int tcp = openSocket(server, SOCK_STREAM, error);
  if (tcp < 0) return false;
  const int udp = openSocket(server, SOCK_DGRAM, error);
  if (udp < 0) {
    close(tcp);
    return false;
  }
  std::thread(serveTcp, tcp).detach();
  std::thread(serveUdp, udp).detach();
  return true;
}

}  // namespace kestro::refnode
