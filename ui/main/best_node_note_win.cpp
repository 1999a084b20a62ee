#include "ui/main/best_node_note_win.h"

#include "app/client_state.h"
#include "app/settings_store_win.h"
#include "ui/main/main_window_texts.h"

namespace kestro {

void showBestNode(MainWindowView& view, int32_t gameId) {
  const std::optional<GameSession> best = gameId == 0 ? std::nullopt : bestSession(readGameHistory(gameId));
  if (!best) {
    view.show(TxtBestNode, L"none");
    return;
  }
  // The node list may not have arrived yet (right after the login): the
  // saved choice's name, else the node's number.
  std::wstring name = L"节点" + std::to_wstring(best->nodeId);
  const auto nodes = ClientState::instance().nodes();
  if (const auto found = nodes.find(best->nodeId); found != nodes.end()) {
    name = found->second.name;
  } else if (const SavedSelection saved = loadSavedSelection();
             saved.nodeId == static_cast<DWORD>(best->nodeId) && !saved.nodeName.empty()) {
    name = saved.nodeName;
  }
  view.setText(TxtBestNode, bestNodeText(*best, name));
  view.show(TxtBestNode, L"block");
}

}  // namespace kestro
