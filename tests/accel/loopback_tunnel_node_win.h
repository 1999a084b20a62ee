// A tunnel node on 127.0.0.1 at a port the system chooses that speaks the
// reference node's handshake and streams bytes. Header-only: the test
// folder's sources are its *_test.cpp files.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback_listener_win.h"

namespace kestro::test {

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
