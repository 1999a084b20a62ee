// The node catalogue as node.php lists it, and the texts derived from a node's load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "app/node_record.h"
#include "service/service_exchange.h"

namespace kestro {

// The most nodes a node.php reply may list; a longer one fails like a reply
// that is not JSON. A service runs tens to a few hundred relay nodes. Every
// node costs a table row, three echoes and two messages that cannot be
// coalesced (its probing mark and its latency report): 2000 nodes keep those
// well inside the 10000 messages a window's queue holds.
inline constexpr size_t kMaxNodes = 2000;

// "%.2f%%" of load x 100, such as "45.00%".
std::wstring loadTextOf(float load);
// "%d" of the integer part of load x 10000, the node-load column's sort value.
std::wstring loadKeyOf(float load);

// One record from one element of node.php's reply, with the initial ranking values.
NodeRecord nodeFromReply(const JsonObjectReader& element);

// The catalogue from a complete reply, keyed by id: when an id is listed twice
// the first element wins. Nothing when the reply failed or a member had the
// wrong type, so the stored catalogue is then left as it was.
std::optional<std::map<int32_t, NodeRecord>> nodeCatalogueFrom(const ServiceReply& reply);

}  // namespace kestro
