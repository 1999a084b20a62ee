#include "ui/main/main_window_win.h"

#include <cwchar>

#include "accel/routes_win.h"
#include "app/client_state.h"
#include "app/deployment.h"
#include "app/settings_store_win.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/unique_handle_win.h"
#include "service/announcements_worker.h"
#include "ui/behaviors/page_behaviors.h"
#include "ui/host/open_file_dialog_win.h"
#include "ui/host/shell_open_win.h"
#include "ui/main/main_window_texts.h"
#include "ui/main/tray_icon_win.h"

namespace kestro {

namespace {

constexpr WindowSpec kSpec = {kMainWindowClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, 0, 750, 489, L"MAIN",
                              L"泓迈网游加速器", SW_SHOW};

constexpr wchar_t kExitQuestion[] = L"是否退出泓迈网游加速器？";
// How long "是" waits for a start worker between its steps: each step is at
// most one exchange with the service (10 s) or one driver tool run, and the
// worker gives up before the next; five seconds cover all but a dead service,
// after which the process ends all the same.
constexpr DWORD kExitWaitMs = 5000;
constexpr wchar_t kLoadingAnnouncements[] = L"正在获取服务公告";
constexpr wchar_t kAnnouncementsFailed[] = L"获取服务公告失败，点击重试";

// Signals the tunnel's stop event and closes the program's handle to it.
void signalStopEvent() {
  if (const UniqueHandle event{static_cast<HANDLE>(ClientState::instance().takeStopEvent())}) SetEvent(event.get());
}

// The decimal number after `prefix` in `id`; 0 when there is none.
int32_t numberAfter(const std::wstring& id, size_t prefix) {
  return static_cast<int32_t>(std::wcstol(id.c_str() + prefix, nullptr, 10));
}

}  // namespace

LocalDayTime localNow() {
  FILETIME utc{};
  FILETIME local{};
  GetSystemTimeAsFileTime(&utc);
  FileTimeToLocalFileTime(&utc, &local);
  const ULONGLONG ticks = (static_cast<ULONGLONG>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
  // 100-nanosecond ticks; a day has 864 000 000 000 of them.
  return {static_cast<double>(ticks) / 864000000000.0, true};
}

void stopRunningAcceleration() {
  ClientState& state = ClientState::instance();
  if (state.accelerating == 0) return;
  removeInstalledRoutes();
  state.accelerating = 0;
  state.linkReportShown = 0;
  signalStopEvent();
}

CMainWindow::CMainWindow() : HtmlWindow(kSpec, htmlayout::HANDLE_ALL) {
  // The page's tab view, node table and rate chart name the program's behaviors.
  registerPageBehaviors();
}

std::span<const std::wstring_view> CMainWindow::elementIds() const { return kMainElementIds; }

void CMainWindow::created() { WindowHandles::instance().mainWindow = window(); }

void CMainWindow::destroying() {
  // Workers still running post into nothing rather than to a reused handle.
  WindowHandle self = window();
  WindowHandles::instance().mainWindow.compare_exchange_strong(self, nullptr);
  // The icon would otherwise stay in the notification area after the program.
  if (inTray_) notifyIconCall()(NIM_DELETE, &trayIcon_);
  inTray_ = false;
  // Routes of this program never outlive its window.
  removeInstalledRoutes();
}

void CMainWindow::setText(MainElement index, const std::wstring& text) {
  htmlayout::dom::element target = page(index);
  target.set_text(text);
}

void CMainWindow::selectPanel(const wchar_t* panel) {
  page(TabView).call_method("select", {htmlayout::value::make_string(panel)});
}

void CMainWindow::initialise() {
  show(DiagingPage, L"none");
  show(DiagStartPage, L"block");
  startAnnouncementsWorker();
  fillAccountBoxes();
  restoreLastChoice();
}

void CMainWindow::fillAccountBoxes() {
  const ClientState& state = ClientState::instance();
  if (const std::wstring date = state.expireDate(); !date.empty()) setText(TxtExpireDate, date);
  if (const std::wstring address = state.ipAddress(); !address.empty()) setText(TxtIpAddress, address);
  if (const std::wstring name = state.ipName(); !name.empty()) setText(TxtIpName, name);
  setText(TxtLeaveDays, leaveDaysText(state.leaveDays()));
  if (const std::wstring type = accountTypeText(state.accountType()); !type.empty()) setText(TxtAccountType, type);
  if (const std::wstring status = accountStatusText(state.accountStatus()); !status.empty())
    setText(TxtAccountStatus, status);
}

void CMainWindow::restoreLastChoice() {
  // Without a settings key nothing is stored and the page's texts stay. The
  // ids are taken as stored, without a look at any list.
  const SavedSelection saved = loadSavedSelection();
  if (saved.nodeId != 0) selectedNodeId = static_cast<int32_t>(saved.nodeId);
  if (saved.gameId != 0) selectedGameId = static_cast<int32_t>(saved.gameId);
  if (saved.voiceId != 0) selectedVoiceId = static_cast<int32_t>(saved.voiceId);
  if (!saved.nodeName.empty()) setText(TxtCurrentNode, saved.nodeName);
  if (!saved.gameName.empty()) setText(TxtCurrentGame, saved.gameName);
  if (!saved.voiceName.empty()) setText(TxtCurrentVoice, saved.voiceName);
}

// Enter in the game search box searches, as its button does.
bool CMainWindow::handle_key(htmlayout::HELEMENT, htmlayout::KEY_PARAMS& params) {
  if (params.cmd != htmlayout::KEY_DOWN || params.key_code != VK_RETURN) return false;
  if (boundIndex(params.target) != TxtGameFilter) return false;
  filterGamesByText();
  return true;
}

bool CMainWindow::on_event(htmlayout::HELEMENT, htmlayout::HELEMENT target, htmlayout::BEHAVIOR_EVENTS type,
                           uintptr_t) {
  switch (type) {
    case htmlayout::BUTTON_CLICK:
    case htmlayout::HYPERLINK_CLICK: {
      const size_t index = boundIndex(target);
      if (index < MainElementCount) return runCommand(static_cast<MainElement>(index));
      const htmlayout::dom::element clicked(target);
      if (!clicked.is_valid() || !clicked.has_attribute("id")) return false;
      return runCommandById(clicked.get_attribute("id"));
    }
    case htmlayout::TABLE_ROW_DBL_CLICK:
      useHighlightedNode();
      return true;
    case htmlayout::ELEMENT_EXPANDED: {
      const size_t index = boundIndex(target);
      if (index == NodePanel && nodeListRequested_ == 0) refreshNodeList();
      if (index == GamePanel && gameListRequested_ == 0) refreshGameList();
      return false;
    }
    default:
      return false;
  }
}

// Commands of the bound elements.
bool CMainWindow::runCommand(MainElement index) {
  switch (index) {
    case BtnClose: closeWithConfirmation(); return true;
    case BtnMin: ShowWindow(window(), SW_MINIMIZE); return true;
    case BtnFixLsp: repairLsp(); return true;
    case BtnRemoveDriver: removeAdapterCommand(); return true;
    case BtnRunGame: runGame(); return true;
    case LinkSetGamePath: chooseGamePath(); return true;
    case BtnTray: hideToTray(); return true;
    case BtnNoVoice: chooseNoVoice(); return true;
    case BtnStartDiag: startDiagnosis(0.0f, 0.0f); return true;
    case LinkRefreshNode: refreshNodeList(); return true;
    case LinkRefreshLatency: refreshLatency(); return true;
    case LinkRefreshGame: refreshGameList(); return true;
    case BtnSelectNode: selectPanel(L"panel-id2"); return true;
    case BtnSelectGame: selectPanel(L"panel-id3"); return true;
    case BtnSelectVoice: selectPanel(L"panel-id4"); return true;
    case BtnCheckNode: useHighlightedNode(); return true;
    case BtnAutoNode: chooseBestNode(); return true;
    case BtnFilterGame: filterGamesByText(); return true;
    case LinkFilterGame: filterGamesByType(0); return true;
    case LinkFilterGame4: filterGamesByType(4); return true;
    case LinkFilterGame8: filterGamesByType(8); return true;
    case BtnStartAcc: startAcceleration(); return true;
    case LinkStopAcc: stopAcceleration(); return true;
    default: return false;
  }
}

// Elements that the panels create at run time, known by their ids.
bool CMainWindow::runCommandById(const std::wstring& id) {
  if (id == L"btnbackdiag") {
    showDiagStartView();
    return true;
  }
  if (id == L"btnretryacc") {
    startAcceleration();
    return true;
  }
  if (id == L"linkretryannounce") {
    retryAnnouncements();
    return true;
  }
  if (id.starts_with(L"filtergame_")) {
    if (id.size() < 12) return false;
    filterGamesByInitial(id[11]);
    return true;
  }
  if (id.starts_with(L"game")) {
    chooseGame(numberAfter(id, 4));
    return true;
  }
  if (id.starts_with(L"voice")) {
    chooseVoice(numberAfter(id, 5));
    return true;
  }
  if (id.starts_with(L"linknews")) {
    shellOpen(window(), L"open", webSiteAddress() + L"/Service/viewannounce/id/" + id.substr(8) + L".html");
    return true;
  }
  return false;
}

void CMainWindow::onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TRAY_NOTIFY: onTrayNotify(lParam); return;
    case WM_ANNOUNCE_READY: listAnnouncements(); return;
    case WM_ANNOUNCE_FAILED: offerAnnouncementRetry(); return;
    case WM_NODE_PROGRESS: onNodeProgress(lParam); return;
    case WM_NODE_FETCH_FAILED: onNodeFetchFailed(); return;
    case WM_NODE_REFRESH_DONE: onNodeRefreshDone(); return;
    case WM_NODE_LATENCY: showNodeLatency(lParam); return;
    case WM_NODE_LIST_READY: buildNodeTable(); return;
    case WM_NODE_PROBING: markNodeProbing(static_cast<int32_t>(lParam)); return;
    case WM_GAME_PROGRESS: onGameProgress(lParam); return;
    case WM_GAME_FETCH_FAILED: onGameFetchFailed(); return;
    case WM_GAME_LIST_READY: onGameListReady(); return;
    case WM_ACC_STEP:
      if (lParam != 0) onAccStep(*reinterpret_cast<const AccStepRecord*>(lParam));
      return;
    case WM_TUNNEL_ERROR: onTunnelError(static_cast<int32_t>(lParam)); return;
    case WM_TUNNEL_CONNECTED: onTunnelConnected(); return;
    case WM_TUNNEL_INFO: onTunnelInfo(wParam, lParam); return;
    case WM_ROUTES_READY: onRoutesReady(wParam); return;
    case WM_TUNNEL_CLOSED: onTunnelClosed(wParam); return;
    case WM_ACC_WORKER_ENDED: onAccWorkerEnded(); return;
    case WM_TUNNEL_TRAFFIC: onTunnelTraffic(wParam, lParam); return;
    case WM_LINK_QUALITY: onLinkQuality(static_cast<uint32_t>(wParam), lParam); return;
    case WM_ACC_STOP:
      if (isCurrentAttempt(wParam)) stopAcceleration();
      return;
    case WM_LINK_DEGRADED: onLinkDegraded(wParam, lParam); return;
    case WM_DIAG_STEP: showDiagStep(lParam); return;
    case WM_DIAG_DONE: showDiagScore(static_cast<int32_t>(lParam)); return;
    default: return;
  }
}

void CMainWindow::closeWithConfirmation() {
  const std::optional<int32_t> answer = askOwnedQuestion(kExitQuestion);
  // "是" and the question's own close button both answer Yes.
  if (!answer || *answer != 1) return;
  stopAcceleration();
  endStartWorkerForExit();
  PostMessageW(window(), WM_CLOSE, 0, 0);
}

void CMainWindow::endStartWorkerForExit() {
  ClientState& state = ClientState::instance();
  if (state.startWorkerRunning == 0) return;
  state.cancelledAttempt = state.accelerationAttempt.load();
  // A tunnel still connecting has its stop event but no acceleration yet.
  signalStopEvent();
  // Sent reports are handled while waiting, so the worker never blocks on the window.
  const ULONGLONG deadline = GetTickCount64() + kExitWaitMs;
  while (state.startWorkerRunning != 0 && GetTickCount64() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_SENDMESSAGE);
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  removeInstalledRoutes();
}

void CMainWindow::runGame() {
  if (const std::optional<std::wstring> path = readGamePath(selectedGameId)) {
    // The shell fails silently for a path that no longer exists.
    shellOpen(window(), nullptr, *path);
    return;
  }
  // The game starts on the next click, once a path is stored.
  chooseGamePath();
}

void CMainWindow::chooseGamePath() {
  const std::wstring title = L"请选择" + page(TxtCurrentGame).text() + L"运行文件";
  if (const std::optional<std::wstring> path = askForExecutable(window(), title))
    writeGamePath(selectedGameId, *path);
}

void CMainWindow::listAnnouncements() {
  show(LoadingAnnounce, L"none");
  htmlayout::dom::element list = page(ListServiceAnnounce);
  for (const auto& [id, title] : ClientState::instance().announcements()) {
    htmlayout::dom::element item = htmlayout::dom::element::create("li");
    htmlayout::dom::element link = htmlayout::dom::element::create("widget", title);
    link.set_attribute("class", L"textlinkgray");
    link.set_attribute("id", L"linknews" + std::to_wstring(id));
    item.append(link);
    list.append(item);
  }
}

void CMainWindow::offerAnnouncementRetry() {
  htmlayout::dom::element loading = page(LoadingAnnounce);
  loading.clear();
  htmlayout::dom::element retry = htmlayout::dom::element::create("widget", kAnnouncementsFailed);
  retry.set_attribute("class", L"textlink");
  retry.set_attribute("id", L"linkretryannounce");
  loading.append(retry);
}

void CMainWindow::retryAnnouncements() {
  htmlayout::dom::element loading = page(LoadingAnnounce);
  loading.clear();
  htmlayout::dom::element image = htmlayout::dom::element::create("img");
  image.set_attribute("src", L"LOADING.GIF");
  image.set_style_attribute("margin-right", L"6px");
  image.set_style_attribute("margin-top", L"4px");
  loading.set_text(kLoadingAnnouncements);
  loading.append(image);
  startAnnouncementsWorker();
}

void runMainWindow(HINSTANCE instance) {
  auto* main = new CMainWindow();
  // Freed by its own WM_DESTROY once it exists.
  if (!main->create(instance)) {
    delete main;
    return;
  }
  runMessageLoop();
}

}  // namespace kestro
