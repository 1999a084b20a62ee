// The node panel: the sortable node table with suitability, operator, region,
// load and latency, its fetch and latency runs, and the choice of a node.
#pragma once

#include <cstdint>

#include "ui/main/local_day_time_win.h"
#include "ui/main/main_window_view.h"

namespace kestro {

class NodePanel : public MainPanel {
 public:
  NodePanel(MainWindowView& view, int32_t& selectedNodeId) : view_(view), selectedNodeId_(selectedNodeId) {}

  bool onCommand(MainElement index) override;
  bool onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The node tab was opened: the list is fetched the first time.
  void onOpened();
  // A double click on a row, or the button under the table.
  void useHighlightedNode();

 private:
  void refreshNodeList();
  void refreshLatency();
  void showProgress(bool running);
  void onProgress(LPARAM record);
  void buildTable();
  void markProbing(int32_t nodeId);
  void showLatency(LPARAM report);
  void onRefreshDone();
  void onFetchFailed();
  void chooseBest();
  void choose(int32_t nodeId);

  MainWindowView& view_;
  int32_t& selectedNodeId_;
  bool requested_ = false;  // the list was asked for at least once
  bool loaded_ = false;     // a fetch and refresh ended well
  LocalDayTime loadedAt_;
};

}  // namespace kestro
