// Which games the game panel lists. The letter and text filters turn the
// names they compare to lower case in the catalogue itself, and they stay so
// (later tooltips show them in lower case).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "app/catalogue_records.h"

namespace kestro {

// Latin capitals to small letters; other characters (Chinese has no case) stay.
std::wstring lowerCased(std::wstring text);

// 0 lists every game; 4 and 8 the games whose portId equals it. Ascending id.
std::vector<GameRecord> gamesOfType(const std::map<int32_t, GameRecord>& games, int32_t type);

// Games whose enName, or else pyName, begins with `letter` (a small letter).
std::vector<GameRecord> gamesByInitial(std::map<int32_t, GameRecord>& games, wchar_t letter);

// Games whose enName, else pyName, else name contains `text` in lower case;
// an empty text matches every game.
std::vector<GameRecord> gamesContaining(std::map<int32_t, GameRecord>& games, const std::wstring& text);

}  // namespace kestro
