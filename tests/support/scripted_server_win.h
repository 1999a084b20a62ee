// A loopback HTTP server for tests that plays exact bytes: each accepted
// connection runs the next script of steps (read a request, send bytes, pause,
// close, or read and never answer) and keeps what the client sent.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback_listener_win.h"

namespace kestro::test {

struct ServerStep {
  enum class Kind { ReadRequest, Send, Pause, Close, Silent };
  Kind kind;
  std::string bytes;
  DWORD ms = 0;
};

// Reads one request: its head and as many body bytes as its Content-Length says.
inline ServerStep readRequest() { return {ServerStep::Kind::ReadRequest, {}, 0}; }
inline ServerStep sendBytes(std::string bytes) { return {ServerStep::Kind::Send, std::move(bytes), 0}; }
inline ServerStep pause(DWORD ms) { return {ServerStep::Kind::Pause, {}, ms}; }
// Closes at once, whatever was promised.
inline ServerStep closeNow() { return {ServerStep::Kind::Close, {}, 0}; }
// Reads whatever comes and never answers, until the client or the test gives up.
inline ServerStep silent() { return {ServerStep::Kind::Silent, {}, 0}; }

using ServerScript = std::vector<ServerStep>;

// A request and a complete response with Content-Length.
ServerScript answer(int status, const std::string& body, const std::string& extraHeaders = {});

class ScriptedServer {
 public:
  // Listens on `address` (a loopback address) at a port the system picks.
  explicit ScriptedServer(std::vector<ServerScript> scripts, const char* address = "127.0.0.1");
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  uint16_t port() const { return listener_.port(); }
  // "http://<address>:<port>" followed by `path`.
  std::wstring url(const std::wstring& path = L"/") const;
  // What each connection received so far, in order of connection.
  std::vector<std::string> received() const;
  int connections() const;

 private:
  void serve();
  void play(SOCKET connection, const ServerScript& script, size_t index);
  bool stopping() const { return stop_.load(); }

  std::string address_;
  std::vector<ServerScript> scripts_;
  LoopbackListener listener_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> received_;
  std::thread thread_;
};

}  // namespace kestro::test
