// The diagnosis page of the main window: the start view, the running view
// fed by the diagnosis worker, the score, the LSP repair and the removal of
// the virtual adapter. A degraded link opens it by itself.
#pragma once

#include <cstdint>

#include "ui/main/main_window_view.h"

namespace kestro {

class DiagnosisPage : public MainPanel {
 public:
  explicit DiagnosisPage(MainWindowView& view) : view_(view) {}

  bool onCommand(MainElement index) override;
  bool onCommandId(const std::wstring& id) override;
  bool onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The page's first state when the window opens.
  void showStartView();

 private:
  void start(float latency, float loss);
  void onLinkDegraded(WPARAM latency, LPARAM loss);
  void showStep(LPARAM record);
  void showScore(int32_t score);
  void repairLsp();
  void removeAdapter();

  MainWindowView& view_;
  bool running_ = false;  // from the start of a diagnosis until its score
};

}  // namespace kestro
