#include "ui/main/game_filter.h"

namespace kestro {

namespace {

// The name is compared in lower case and left so in the catalogue.
const std::wstring& lowerInPlace(std::wstring& name) {
  name = lowerCased(std::move(name));
  return name;
}

}  // namespace

std::wstring lowerCased(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return text;
}

std::vector<GameRecord> gamesOfType(const std::map<int32_t, GameRecord>& games, int32_t type) {
  std::vector<GameRecord> found;
  for (const auto& [id, game] : games)
    if (type == 0 || game.portId == type) found.push_back(game);
  return found;
}

std::vector<GameRecord> gamesByInitial(std::map<int32_t, GameRecord>& games, wchar_t letter) {
  std::vector<GameRecord> found;
  for (auto& [id, game] : games) {
    // The short name decides when it has a first character, else the abbreviation.
    const std::wstring& enName = lowerInPlace(game.enName);
    bool matches = !enName.empty() && enName.front() == letter;
    if (!matches) {
      const std::wstring& pyName = lowerInPlace(game.pyName);
      matches = !pyName.empty() && pyName.front() == letter;
    }
    if (matches) found.push_back(game);
  }
  return found;
}

std::vector<GameRecord> gamesContaining(std::map<int32_t, GameRecord>& games, const std::wstring& text) {
  const std::wstring wanted = lowerCased(text);
  std::vector<GameRecord> found;
  for (auto& [id, game] : games) {
    const bool matches = lowerInPlace(game.enName).find(wanted) != std::wstring::npos ||
                         lowerInPlace(game.pyName).find(wanted) != std::wstring::npos ||
                         lowerInPlace(game.name).find(wanted) != std::wstring::npos;
    if (matches) found.push_back(game);
  }
  return found;
}

}  // namespace kestro
