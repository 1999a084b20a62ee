// A listening TCP socket on a loopback address at a port the system picks,
// and the reading of one HTTP request, for the test servers.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

namespace kestro::test {

class LoopbackListener {
 public:
  explicit LoopbackListener(const char* address = "127.0.0.1");
  ~LoopbackListener();
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  uint16_t port() const { return port_; }
  SOCKET socket() const { return listener_; }
  SOCKET accept() const { return ::accept(listener_, nullptr, nullptr); }
  // Ends a blocked accept.
  void close();

 private:
  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
};

// The number after "Content-Length:" in a request or response head (any case), else 0.
size_t contentLength(const std::string& head);

// Reads one request from a blocking socket: its head up to the blank line and
// as many body bytes as its Content-Length says (less when the peer stops).
std::string readHttpRequest(SOCKET client);

}  // namespace kestro::test
