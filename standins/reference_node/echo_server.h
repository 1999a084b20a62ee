// The test world's game servers: an echo service on one address and port, TCP
// (every byte of a connection sent back) and UDP (every datagram sent back to
// its sender), for the stand-in game's round trips.
#pragma once

#include <string>

#include "standins/reference_node/node_data.h"

namespace kestro::refnode {

// Opens both sockets and serves them on threads of their own for the life of
// the process. False with `error` set when either cannot be opened.
bool startEchoServer(const NodeEndpoint& server, std::string& error);

}  // namespace kestro::refnode
