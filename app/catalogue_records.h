// Entries of the game and voice-chat catalogues.
#pragma once

#include <cstdint>
#include <string>

namespace kestro {

struct GameRecord {
  int32_t id = 0;         // "id"
  std::wstring name;      // "gamename"
  std::wstring enName;    // "enname", short name (简称)
  std::wstring pyName;    // "pyname", abbreviation (缩写)
  std::wstring url;       // "url"
  std::wstring vendor;    // "vendor" (运营商)
  int32_t portId = 0;     // "gameportid": 4 domestic servers, 8 international
};

struct VoicePlatform {
  int32_t id = 0;
  std::wstring name;
  std::wstring code;
};

}  // namespace kestro
