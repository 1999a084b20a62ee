// A small HTTP server on 127.0.0.1 with a port the system chooses, for the
// node fetch tests: every request gets the scripted status and body, and the
// connection is closed after the reply. Header-only: the test folder's
// sources are its *_test.cpp files.
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

class LoopbackHttpServer {
 public:
  struct Response {
    int status = 200;
    std::string body;
    bool hangUp = false;  // close the connection without replying
  };
  // Runs on the server's thread for each request (its head and body as received).
  using Handler = std::function<Response(const std::string& request)>;

  explicit LoopbackHttpServer(Handler handler) : handler_(std::move(handler)) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(listener_, 8);
    int length = sizeof(address);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }

  ~LoopbackHttpServer() {
    // A connection of our own wakes the accept loop, which then sees the flag.
    stopping_ = true;
    SOCKET wake = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    connect(wake, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    thread_.join();
    closesocket(wake);
    closesocket(listener_);
    WSACleanup();
  }
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  uint16_t port() const { return port_; }
  std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  std::vector<std::string> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  void serve() {
    for (;;) {
      SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      if (stopping_) {
        closesocket(client);
        return;
      }
      const std::string request = readRequest(client);
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      const Response response = handler_(request);
      if (response.hangUp) {
        closesocket(client);
        continue;
      }
      std::string bytes = "HTTP/1.1 " + std::to_string(response.status) + " Scripted\r\n" +
                          "Content-Type: text/html\r\nContent-Length: " + std::to_string(response.body.size()) +
                          "\r\nConnection: close\r\n\r\n" + response.body;
      send(client, bytes.data(), static_cast<int>(bytes.size()), 0);
      shutdown(client, SD_SEND);
      closesocket(client);
    }
  }

  // The head up to its blank line and as many body bytes as Content-Length says.
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

  Handler handler_;
  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

}  // namespace kestro::test
