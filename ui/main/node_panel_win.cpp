#include "ui/main/node_panel_win.h"

#include "app/client_state.h"
#include "app/settings_store_win.h"
#include "app/window_messages.h"
#include "nodes/latency_report.h"
#include "nodes/node_ranking.h"
#include "nodes/node_workers.h"
#include "service/progress_post_win.h"
#include "ui/main/main_window_texts.h"

namespace kestro {

namespace {

constexpr wchar_t kNodeFetchFailed[] = L"网络连接失败，请确认您的网络连接正常后点击“刷新节点列表”重试！";
constexpr wchar_t kNoNodeHighlighted[] = L"尚未选则任何节点，请从节点列表中选择一个节点作为当前加速节点！";
constexpr wchar_t kWaitingForSuitability[] = L"等待计算节点适合度";
constexpr const wchar_t* kNodeHeaders[] = {L"节点适合度", L"节点名称", L"运营商", L"区域", L"节点负载", L"本地延时"};

htmlayout::dom::element cell(const std::wstring& text = {}) { return htmlayout::dom::element::create("td", text); }

htmlayout::dom::element loadingImage() {
  htmlayout::dom::element image = htmlayout::dom::element::create("img");
  image.set_attribute("src", L"LOADING.GIF");
  return image;
}

htmlayout::dom::element nodeRow(const NodeRecord& node) {
  const std::wstring id = std::to_wstring(node.id);
  htmlayout::dom::element row = htmlayout::dom::element::create("tr");
  row.set_attribute("value", id);

  htmlayout::dom::element suitability = cell();
  suitability.set_attribute("id", L"tdop" + id);
  htmlayout::dom::element bar = htmlayout::dom::element::create("widget");
  bar.set_attribute("id", L"op" + id);
  bar.set_attribute("class", L"opprogressbar");
  bar.set_attribute("maxvalue", L"100");
  bar.set_attribute("value", L"0");
  suitability.append(bar);
  row.append(suitability);

  row.append(cell(node.name));
  row.append(cell(node.ispName));
  row.append(cell(node.province));
  htmlayout::dom::element load = cell(node.loadText);
  // An element attribute, as the table has always carried it (not a style).
  load.set_attribute("-value", node.loadKey);
  row.append(load);

  htmlayout::dom::element latency = cell();
  latency.set_attribute("id", L"latency" + id);
  latency.set_style_attribute("vertical-align", L"middle");
  latency.append(loadingImage());
  row.append(latency);
  return row;
}

// The ranking's view of a node in its suitability cell and bar.
void showSuitability(const htmlayout::dom::element& list, const NodeRecord& node) {
  const std::wstring id = std::to_wstring(node.id);
  if (htmlayout::dom::element bar = list.find_by_id(L"op" + id); bar.is_valid()) {
    bar.set_attribute("value", node.scoreText);
    bar.set_attribute("title", node.category);
    bar.set_style_attribute("foreground-image", node.barImage);
  }
  if (htmlayout::dom::element suitability = list.find_by_id(L"tdop" + id); suitability.is_valid())
    suitability.set_attribute("value", node.restText);
}

}  // namespace

bool NodePanel::onCommand(MainElement index) {
  switch (index) {
    case LinkRefreshNode: refreshNodeList(); return true;
    case LinkRefreshLatency: refreshLatency(); return true;
    case BtnCheckNode: useHighlightedNode(); return true;
    case BtnAutoNode: chooseBest(); return true;
    default: return false;
  }
}

bool NodePanel::onMessage(UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_NODE_PROGRESS: onProgress(lParam); return true;
    case WM_NODE_FETCH_FAILED: onFetchFailed(); return true;
    case WM_NODE_REFRESH_DONE: onRefreshDone(); return true;
    case WM_NODE_LATENCY: showLatency(lParam); return true;
    case WM_NODE_LIST_READY: buildTable(); return true;
    case WM_NODE_PROBING: markProbing(static_cast<int32_t>(lParam)); return true;
    default: return false;
  }
}

void NodePanel::onOpened() {
  if (!requested_) refreshNodeList();
}

void NodePanel::showProgress(bool running) {
  const wchar_t* tools = running ? L"none" : L"block";
  view_.show(BtnAutoNode, tools);
  view_.show(BtnCheckNode, tools);
  view_.show(LinkRefreshLatency, tools);
  view_.show(PgsNode, running ? L"block" : L"none");
  view_.show(TxtNodeProgress, running ? L"block" : L"none");
}

void NodePanel::refreshNodeList() {
  if (loaded_) {
    if (const auto refusal = refreshRefusal(RefreshedList::Nodes, loadedAt_.days, localNow().days)) {
      view_.showMessage(*refusal);
      return;
    }
  }
  requested_ = true;
  showProgress(true);
  view_.show(LinkRefreshNode, L"none");
  startNodeFetchWorker();
}

void NodePanel::refreshLatency() {
  showProgress(true);
  view_.show(LinkRefreshNode, L"none");
  startLatencyRefreshWorker();
}

void NodePanel::onProgress(LPARAM record) {
  const auto progress = adoptProgress(record);
  if (progress == nullptr) return;
  if (!progress->text.empty()) view_.setText(TxtNodeProgress, progress->text);
  htmlayout::dom::element bar = view_.page(PgsNode);
  bar.set_attribute("value", std::to_wstring(progress->percent));
}

void NodePanel::buildTable() {
  htmlayout::dom::element list = view_.page(NodeList);
  list.clear();
  htmlayout::dom::element table = htmlayout::dom::element::create("table");
  table.set_attribute("fixedrows", L"1");
  table.set_attribute("fixedlayout", L"true");
  htmlayout::dom::element header = htmlayout::dom::element::create("tr");
  header.set_attribute("class", L"header");
  for (const wchar_t* title : kNodeHeaders) header.append(htmlayout::dom::element::create("th", title));
  table.append(header);
  for (const auto& [id, node] : ClientState::instance().nodes()) table.append(nodeRow(node));
  list.append(table);
}

void NodePanel::markProbing(int32_t nodeId) {
  const htmlayout::dom::element list = view_.page(NodeList);
  const std::wstring id = std::to_wstring(nodeId);
  htmlayout::dom::element latency = list.find_by_id(L"latency" + id);
  if (!latency.is_valid()) return;
  latency.set_text(L"");
  latency.set_attribute("value", L"999");
  latency.insert(loadingImage(), 0);
  if (htmlayout::dom::element bar = list.find_by_id(L"op" + id); bar.is_valid()) {
    bar.set_attribute("value", L"0");
    bar.set_attribute("title", kWaitingForSuitability);
    bar.set_style_attribute("foreground-image", L"url(PROGRESSBARBODY8.PNG)");
  }
  if (htmlayout::dom::element suitability = list.find_by_id(L"tdop" + id); suitability.is_valid())
    suitability.set_attribute("value", L"100");
}

void NodePanel::showLatency(LPARAM lParam) {
  const std::unique_ptr<LatencyReport> report = adoptLatencyReport(lParam);
  if (!report) return;
  NodeRecord ranked;
  const bool listed = ClientState::instance().updateNode(report->nodeId, [&](NodeRecord& node) {
    rankNode(node, report->latency);
    ranked = node;
  });
  const htmlayout::dom::element list = view_.page(NodeList);
  if (htmlayout::dom::element latency = list.find_by_id(L"latency" + std::to_wstring(report->nodeId));
      latency.is_valid()) {
    if (latency.children_count() > 0) latency.child(0).destroy();
    const LatencyCell shown = latencyCell(report->latency);
    latency.set_text(shown.text);
    latency.set_attribute("value", shown.value);
  }
  if (listed) showSuitability(list, ranked);
}

void NodePanel::onRefreshDone() {
  showProgress(false);
  // After a good run only the latency can be measured again.
  view_.show(LinkRefreshNode, L"none");
  loaded_ = true;
  loadedAt_ = localNow();
}

void NodePanel::onFetchFailed() {
  view_.show(BtnAutoNode, L"none");
  view_.show(BtnCheckNode, L"none");
  view_.show(LinkRefreshLatency, L"none");
  view_.show(PgsNode, L"none");
  view_.show(TxtNodeProgress, L"none");
  view_.show(LinkRefreshNode, L"block");
  view_.showMessage(kNodeFetchFailed);
}

void NodePanel::useHighlightedNode() {
  const htmlayout::dom::element row = view_.page(TabView).find_first(L"tr:current");
  if (!row.is_valid()) {
    view_.showMessage(kNoNodeHighlighted);
    return;
  }
  choose(static_cast<int32_t>(std::wcstol(row.get_attribute("value").c_str(), nullptr, 10)));
}

void NodePanel::chooseBest() {
  // No node scoring above 0 gives id 0, which chooses nothing.
  choose(chooseBestNode(ClientState::instance().nodes()));
}

void NodePanel::choose(int32_t nodeId) {
  const auto nodes = ClientState::instance().nodes();
  const auto found = nodes.find(nodeId);
  if (found == nodes.end()) return;
  selectedNodeId_ = nodeId;
  view_.setText(TxtCurrentNode, found->second.name);
  view_.selectPanel(L"panel-id1");
  saveNodeSelection(static_cast<DWORD>(nodeId), found->second.name);
}

}  // namespace kestro
