// The game panel: the games as a grid of links with search and filters, the
// game list fetch and the choice of a game; and the chosen game's program,
// asked for once and started from the traffic view.
#pragma once

#include <cstdint>
#include <vector>

#include "app/catalogue_records.h"
#include "ui/main/local_day_time_win.h"
#include "ui/main/main_window_view.h"

namespace kestro {

class GamePanel : public MainPanel {
 public:
  GamePanel(MainWindowView& view, int32_t& selectedGameId) : view_(view), selectedGameId_(selectedGameId) {}

  bool onCommand(MainElement index) override;
  bool onCommandId(const std::wstring& id) override;
  bool onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The game tab was opened: the list is fetched the first time.
  void onOpened();

 private:
  void refreshGameList();
  void showTools(bool shown);
  void onProgress(LPARAM record);
  void onListReady();
  void onFetchFailed();
  void filterByType(int32_t type);
  void filterByInitial(wchar_t letter);
  void filterByText();
  void showGames(const std::vector<GameRecord>& games);
  void choose(int32_t gameId);
  void runGame();
  void chooseGamePath();

  MainWindowView& view_;
  int32_t& selectedGameId_;
  bool requested_ = false;  // the list was asked for at least once
  bool loaded_ = false;     // a fetch ended well
  LocalDayTime loadedAt_;
};

}  // namespace kestro
