// The test world's relay (standins/relay), asked by development builds run in
// that world: one command line, one answer line.
// A release build has none of this (accel/CMakeLists.txt).
#pragma once

#include <winsock2.h>

#include <optional>
#include <string>

namespace kestro {

// A connection to the relay kept for many questions and made again when it
// broke: a question asked once a second then costs a send and a receive, not
// a connection (a dozen Wine server requests) each time.
class WorldRelayConnection {
 public:
  WorldRelayConnection();
  ~WorldRelayConnection();
  WorldRelayConnection(const WorldRelayConnection&) = delete;
  WorldRelayConnection& operator=(const WorldRelayConnection&) = delete;

  // The relay's answer ("ok ..." or "error ..."); nothing outside the test
  // world (worldRelayControl() empty) or when the relay could not be asked.
  std::optional<std::string> ask(const std::string& line);

 private:
  void close();

  bool started_ = false;
  SOCKET socket_ = INVALID_SOCKET;
};

// One question on a connection of its own.
std::optional<std::string> askWorldRelay(const std::string& line);

}  // namespace kestro
