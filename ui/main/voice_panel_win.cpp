// The voice panel: eight fixed voice applications and "no voice".
#include "app/client_state.h"
#include "app/settings_store_win.h"
#include "ui/main/main_window_win.h"

namespace kestro {

namespace {
constexpr wchar_t kNoVoice[] = L"不使用语音加速";
}  // namespace

void CMainWindow::chooseVoice(int32_t voiceId) {
  const auto voices = ClientState::instance().voices();
  const auto found = voices.find(voiceId);
  if (found == voices.end()) return;
  selectedVoiceId = voiceId;
  setText(TxtCurrentVoice, found->second.name);
  selectPanel(L"panel-id1");
  saveVoiceSelection(static_cast<DWORD>(voiceId), found->second.name);
}

void CMainWindow::chooseNoVoice() {
  selectedVoiceId = 0;
  setText(TxtCurrentVoice, kNoVoice);
  selectPanel(L"panel-id1");
  clearVoiceSelection();
}

}  // namespace kestro
