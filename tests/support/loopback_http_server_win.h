// A small HTTP server on 127.0.0.1 for worker tests: every request gets the
// reply its handler gives, and the connection is closed after the reply.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback_listener_win.h"

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

  explicit LoopbackHttpServer(Handler handler);
  // Answers every request with `body` and status 200.
  explicit LoopbackHttpServer(std::string body);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  uint16_t port() const { return listener_.port(); }
  std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port()) + "/"; }
  std::vector<std::string> requests() const;

 private:
  void serve();

  Handler handler_;
  LoopbackListener listener_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

}  // namespace kestro::test
