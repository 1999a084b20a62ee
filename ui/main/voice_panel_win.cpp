#include "ui/main/voice_panel_win.h"

#include <cwchar>

#include "app/client_state.h"
#include "app/settings_store_win.h"

namespace kestro {

namespace {
constexpr wchar_t kNoVoice[] = L"不使用语音加速";
}  // namespace

bool VoicePanel::onCommand(MainElement index) {
  if (index != BtnNoVoice) return false;
  chooseNone();
  return true;
}

// The voice applications' links are "voice<id>".
bool VoicePanel::onCommandId(const std::wstring& id) {
  if (!id.starts_with(L"voice")) return false;
  choose(static_cast<int32_t>(std::wcstol(id.c_str() + 5, nullptr, 10)));
  return true;
}

void VoicePanel::choose(int32_t voiceId) {
  const auto voices = ClientState::instance().voices();
  const auto found = voices.find(voiceId);
  if (found == voices.end()) return;
  selectedVoiceId_ = voiceId;
  view_.setText(TxtCurrentVoice, found->second.name);
  view_.selectPanel(L"panel-id1");
  saveVoiceSelection(static_cast<DWORD>(voiceId), found->second.name);
}

void VoicePanel::chooseNone() {
  selectedVoiceId_ = 0;
  view_.setText(TxtCurrentVoice, kNoVoice);
  view_.selectPanel(L"panel-id1");
  clearVoiceSelection();
}

}  // namespace kestro
