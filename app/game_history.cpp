#include "app/game_history.h"

#include <string_view>

namespace kestro {
namespace {

// A decimal number of at most nine digits, nothing else.
std::optional<uint32_t> number(std::wstring_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  uint32_t value = 0;
  for (wchar_t digit : text) {
    if (digit < L'0' || digit > L'9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(digit - L'0');
  }
  return value;
}

std::optional<GameSession> decodeSession(std::wstring_view entry) {
  const size_t first = entry.find(L',');
  const size_t second = first == std::wstring_view::npos ? first : entry.find(L',', first + 1);
  if (second == std::wstring_view::npos) return std::nullopt;
  const std::optional<uint32_t> node = number(entry.substr(0, first));
  const std::wstring_view direct = entry.substr(first + 1, second - first - 1);
  const std::optional<uint32_t> accelerated = number(entry.substr(second + 1));
  if (!node || *node == 0 || !accelerated) return std::nullopt;
  GameSession session{static_cast<int32_t>(*node), std::nullopt, *accelerated};
  if (direct != L"-") {
    session.directMs = number(direct);
    if (!session.directMs) return std::nullopt;
  }
  return session;
}

}  // namespace

std::wstring encodeGameHistory(const std::vector<GameSession>& sessions) {
  std::wstring text;
  for (const GameSession& session : sessions) {
    if (!text.empty()) text += L';';
    text += std::to_wstring(session.nodeId) + L',' +
            (session.directMs ? std::to_wstring(*session.directMs) : std::wstring(L"-")) + L',' +
            std::to_wstring(session.acceleratedMs);
  }
  return text;
}

std::vector<GameSession> decodeGameHistory(const std::wstring& text) {
  std::vector<GameSession> sessions;
  std::wstring_view rest = text;
  while (!rest.empty()) {
    const size_t end = rest.find(L';');
    if (const std::optional<GameSession> session = decodeSession(rest.substr(0, end))) sessions.push_back(*session);
    if (end == std::wstring_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  if (sessions.size() > kGameHistoryLength) sessions.erase(sessions.begin(), sessions.end() - kGameHistoryLength);
  return sessions;
}

std::vector<GameSession> withSession(std::vector<GameSession> sessions, const GameSession& session) {
  sessions.push_back(session);
  if (sessions.size() > kGameHistoryLength) sessions.erase(sessions.begin(), sessions.end() - kGameHistoryLength);
  return sessions;
}

std::optional<GameSession> bestSession(const std::vector<GameSession>& sessions) {
  std::optional<GameSession> best;
  for (const GameSession& session : sessions) {
    if (!best || session.acceleratedMs <= best->acceleratedMs) best = session;
  }
  return best;
}

}  // namespace kestro
