// The voice panel: eight fixed voice applications and "no voice".
#pragma once

#include <cstdint>

#include "ui/main/main_window_view.h"

namespace kestro {

class VoicePanel : public MainPanel {
 public:
  VoicePanel(MainWindowView& view, int32_t& selectedVoiceId) : view_(view), selectedVoiceId_(selectedVoiceId) {}

  bool onCommand(MainElement index) override;
  bool onCommandId(const std::wstring& id) override;

 private:
  void choose(int32_t voiceId);
  void chooseNone();

  MainWindowView& view_;
  int32_t& selectedVoiceId_;
};

}  // namespace kestro
