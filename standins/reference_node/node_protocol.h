// The stand-in tunnel's handshake. The library sends one line
//   "AUTH" TAB user name TAB password LF
// (the texts in the client's ANSI code page) and the node answers "OK" LF, then
// streams bytes until either side closes, or "DENIED" LF and closes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "standins/reference_node/node_data.h"

namespace kestro::refnode {

// Longest handshake line the node reads.
inline constexpr size_t kMaxHandshakeLine = 1024;

struct Credentials {
  std::string userName;
  std::string password;
};

// The credentials of a handshake line (without its LF); nothing when malformed.
std::optional<Credentials> parseHandshake(std::string_view line);

// The node's answer line to `line`, with its LF.
std::string answerHandshake(std::string_view line, const NodeData& data);

}  // namespace kestro::refnode
