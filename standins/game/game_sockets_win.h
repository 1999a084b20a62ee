// The stand-in game's sockets: an owned socket, a millisecond clock, and the
// waits its rounds use.
#pragma once

#include <winsock2.h>
#include <windows.h>

namespace kestro::game {

class Socket {
 public:
  explicit Socket(SOCKET socket) : socket_(socket) {}
  ~Socket() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  SOCKET get() const { return socket_; }

 private:
  SOCKET socket_;
};

inline double nowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / ticksPerMs;
}

inline bool readable(SOCKET socket, double deadlineMs) {
  const double left = deadlineMs - nowMs();
  if (left <= 0) return false;
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  const long us = static_cast<long>(left * 1000);
  timeval timeout{us / 1000000, us % 1000000};
  return select(0, &set, nullptr, nullptr, &timeout) == 1;
}

inline bool connectWithin(SOCKET socket, const sockaddr_in& server, DWORD ms) {
  u_long nonBlocking = 1;
  ioctlsocket(socket, FIONBIO, &nonBlocking);
  if (connect(socket, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    return false;
  }
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket, &writable);
  FD_SET(socket, &failed);
  timeval timeout{static_cast<long>(ms / 1000), static_cast<long>(ms % 1000) * 1000};
  const bool connected = select(0, nullptr, &writable, &failed, &timeout) == 1 && FD_ISSET(socket, &writable);
  u_long blocking = 0;
  ioctlsocket(socket, FIONBIO, &blocking);
  return connected;
}

}  // namespace kestro::game
