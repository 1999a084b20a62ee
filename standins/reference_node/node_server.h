// The reference node's sockets: one listener per node endpoint, one thread per
// tunnel. Each accepted tunnel gets the handshake answer, then a steady stream
// of bytes (so the client's rates are never zero) while what the tunnel sends is
// read and dropped.
#pragma once

#include <cstddef>

#include "standins/reference_node/node_data.h"

namespace kestro::refnode {

// Listens on every endpoint and serves until the process is ended. Returns
// non-zero when a listener could not be opened.
int runNodeServer(const NodeData& data, size_t bytesPerSecond);

}  // namespace kestro::refnode
