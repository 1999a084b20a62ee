// The control channel's connections: lines in, one answer line out for each.
// Several connections may come and go.
#pragma once

#include <poll.h>

#include <string>
#include <vector>

#include "standins/relay/relay.h"

namespace kestro::relay {

class ControlServer {
 public:
  explicit ControlServer(int listener) : listener_(listener) {}
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  // Appends the listener's and every connection's poll entry.
  void addPollEntries(std::vector<pollfd>& entries) const;
  // Serves what poll found in the entries appended from `first` on.
  void serve(const std::vector<pollfd>& entries, size_t first, Relay& relay);

 private:
  struct Connection {
    int fd;
    std::string input;
    std::string output;
  };

  bool serveConnection(Connection& connection, short events, Relay& relay);  // false: close it

  int listener_;
  std::vector<Connection> connections_;
};

}  // namespace kestro::relay
