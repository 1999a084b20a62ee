// The game's connections in the traffic view: every few seconds while
// accelerating, how many of the game's TCP connections take the tunnel, the
// addresses that bypass it and the command that routes them ("加入加速").
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "accel/game_connections_win.h"
#include "ui/main/main_window_view.h"

namespace kestro {

class GameConnectionsPanel : public MainPanel {
 public:
  GameConnectionsPanel(MainWindowView& view, const int32_t& selectedGameId)
      : view_(view), selectedGameId_(selectedGameId) {}

  bool onCommandId(const std::wstring& id) override;
  bool onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void onDestroy() override;

 private:
  htmlayout::dom::element item(const wchar_t* selector) const;
  void setItem(const wchar_t* selector, const std::wstring& text);
  void showItem(const wchar_t* selector, bool shown);
  // The routes of `attempt` are in: its checks begin.
  void begin(uint32_t attempt);
  bool stillAccelerating() const;
  void check();
  void addBypassing();
  void onReport(uint32_t attempt, std::unique_ptr<GameConnectionReport> report);

  MainWindowView& view_;
  const int32_t& selectedGameId_;
  uint32_t attempt_ = 0;  // the acceleration whose game is checked; 0 while none
  int32_t gameId_ = 0;    // the game it accelerates, whatever is chosen meanwhile
  uint32_t workingFor_ = 0;  // the attempt whose check or add is under way: one at a time
  std::vector<uint32_t> bypassing_;  // the addresses "加入加速" routes
};

}  // namespace kestro
