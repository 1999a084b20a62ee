#include "service/voice_catalogue.h"

#include <map>

#include "app/client_state.h"

namespace kestro {

bool buildVoiceCatalogue() {
  const VoicePlatform table[] = {
      {1, L"多玩YY", L"yy"},      {2, L"第一语音平台", L"ts1"}, {3, L"IS语音", L"is"},
      {4, L"AK语音", L"ak"},      {5, L"嘟嘟语音", L"dudu"},    {6, L"Myts语音平台", L"ts3"},
      {7, L"新浪UT", L"ut"},      {8, L"网易CC", L"cc"},
  };
  std::map<int32_t, VoicePlatform> voices;
  for (const auto& entry : table) voices.emplace(entry.id, entry);
  ClientState::instance().setVoices(std::move(voices));
  return true;
}

}  // namespace kestro
