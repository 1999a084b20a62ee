// What the last sessions of one game measured: the node, the game server's
// latency directly and through the tunnel. Kept in the settings key as one
// text per game ("History<game id>"), newest last, at most kGameHistoryLength.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestro {

inline constexpr size_t kGameHistoryLength = 5;

struct GameSession {
  int32_t nodeId = 0;
  std::optional<uint32_t> directMs;  // nothing: no direct answer
  uint32_t acceleratedMs = 0;

  friend bool operator==(const GameSession&, const GameSession&) = default;
};

// "104,162,48;107,-,60": node, direct (or "-"), accelerated.
std::wstring encodeGameHistory(const std::vector<GameSession>& sessions);
// The sessions of a stored text; malformed entries are left out, and only
// the newest kGameHistoryLength are kept (a text edited by hand loses nothing else).
std::vector<GameSession> decodeGameHistory(const std::wstring& text);
// The sessions with `session` added as the newest, the oldest dropped past the bound.
std::vector<GameSession> withSession(std::vector<GameSession> sessions, const GameSession& session);
// The session with the lowest accelerated figure (the newer of equals).
std::optional<GameSession> bestSession(const std::vector<GameSession>& sessions);

}  // namespace kestro
