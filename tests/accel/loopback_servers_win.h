// Loopback servers for the acceleration tests, each on 127.0.0.1 with a port the
// system chooses: an HTTP server that answers acc.php with a scripted reply, and
// a tunnel node that speaks the reference node's handshake and streams bytes.
// Header-only: the test folder's sources are its *_test.cpp files.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestro::test {

class LoopbackListener {
 public:
  LoopbackListener() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(listener_, 8);
    int length = sizeof(address);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~LoopbackListener() {
    close();
    WSACleanup();
  }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  uint16_t port() const { return port_; }
  SOCKET accept() const { return ::accept(listener_, nullptr, nullptr); }
  // Ends a blocked accept.
  void close() {
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    listener_ = INVALID_SOCKET;
  }

 private:
  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
};

// Answers every request with `body` (status 200) and keeps what was asked.
class LoopbackAccService {
 public:
  explicit LoopbackAccService(std::string body) : body_(std::move(body)) {
    thread_ = std::thread([this] { serve(); });
  }
  ~LoopbackAccService() {
    listener_.close();
    thread_.join();
  }

  std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(listener_.port()) + "/"; }
  std::vector<std::string> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  void serve() {
    for (;;) {
      SOCKET client = listener_.accept();
      if (client == INVALID_SOCKET) return;
      const std::string request = readRequest(client);
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      const std::string bytes = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
      send(client, bytes.data(), static_cast<int>(bytes.size()), 0);
      shutdown(client, SD_SEND);
      closesocket(client);
    }
  }

  static std::string readRequest(SOCKET client) {
    std::string request;
    char buffer[4096];
    size_t wanted = std::string::npos;
    while (wanted == std::string::npos || request.size() < wanted) {
      const int received = recv(client, buffer, sizeof(buffer), 0);
      if (received <= 0) break;
      request.append(buffer, static_cast<size_t>(received));
      const size_t headEnd = request.find("\r\n\r\n");
      if (headEnd == std::string::npos) continue;
      size_t bodyLength = 0;
      const size_t field = request.find("Content-Length:");
      if (field != std::string::npos && field < headEnd) bodyLength = std::stoul(request.substr(field + 15));
      wanted = headEnd + 4 + bodyLength;
    }
    return request;
  }

  std::string body_;
  LoopbackListener listener_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

// One tunnel at a time: reads the "AUTH" TAB user TAB password LF line, answers
// "OK" for the expected pair (then streams until the peer closes or hangUp()),
// "DENIED" otherwise.
class LoopbackTunnelNode {
 public:
  LoopbackTunnelNode(std::string userName, std::string password)
      : userName_(std::move(userName)), password_(std::move(password)) {
    thread_ = std::thread([this] { serve(); });
  }
  ~LoopbackTunnelNode() {
    hangUp();
    listener_.close();
    thread_.join();
  }

  int32_t port() const { return listener_.port(); }
  // Ends the current tunnel from the node's side.
  void hangUp() { hangUp_ = true; }
  std::vector<std::string> handshakes() const {
    std::lock_guard lock(mutex_);
    return handshakes_;
  }

 private:
  void serve() {
    for (;;) {
      SOCKET client = listener_.accept();
      if (client == INVALID_SOCKET) return;
      hangUp_ = false;
      std::string line;
      char c = 0;
      while (line.size() < 1024 && recv(client, &c, 1, 0) == 1 && c != '\n') line += c;
      {
        std::lock_guard lock(mutex_);
        handshakes_.push_back(line);
      }
      const bool accepted = line == "AUTH\t" + userName_ + "\t" + password_;
      const std::string answer = accepted ? "OK\n" : "DENIED\n";
      send(client, answer.data(), static_cast<int>(answer.size()), 0);
      if (accepted) stream(client);
      closesocket(client);
    }
  }

  void stream(SOCKET client) {
    const std::string chunk(1000, 's');
    u_long nonBlocking = 1;
    ioctlsocket(client, FIONBIO, &nonBlocking);
    char sink[4096];
    while (!hangUp_) {
      send(client, chunk.data(), static_cast<int>(chunk.size()), 0);
      const int got = recv(client, sink, sizeof(sink), 0);
      if (got == 0 || (got < 0 && WSAGetLastError() != WSAEWOULDBLOCK)) return;
      Sleep(100);
    }
  }

  std::string userName_;
  std::string password_;
  LoopbackListener listener_;
  std::thread thread_;
  std::atomic<bool> hangUp_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> handshakes_;
};

}  // namespace kestro::test
