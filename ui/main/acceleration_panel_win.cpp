#include "ui/main/acceleration_panel_win.h"

#include <memory>

#include "accel/acc_step_record.h"
#include "accel/acceleration_start_win.h"
#include "accel/game_server_probe_win.h"
#include "accel/link_monitor_win.h"
#include "accel/link_quality.h"
#include "accel/link_quality_win.h"
#include "accel/routes_win.h"
#include "accel/tunnel_errors.h"
#include "app/client_state.h"
#include "app/settings_store_win.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/text_convert.h"
#include "base/unique_handle_win.h"
#include "ui/main/best_node_note_win.h"
#include "ui/main/step_table.h"

namespace kestro {

namespace {

using Element = htmlayout::dom::element;

constexpr wchar_t kChooseNodeFirst[] = L"请先点击上方“选择节点”按钮选择需要使用的加速节点！";
constexpr wchar_t kChooseGameFirst[] = L"请先点击上方“选择游戏”按钮选择需要加速的游戏！";
constexpr wchar_t kStopping[] = L"请稍候，正在停止加速……";
constexpr wchar_t kMeasuring[] = L"正在测量";
constexpr wchar_t kWaitingForPrevious[] = L"请稍候，正在结束上一次加速……";
constexpr wchar_t kTunnelLost[] = L"与加速节点的连接已中断，加速已停止，请检查网络后重新开始加速";
constexpr wchar_t kTunnelLostTitle[] = L"加速已停止";
constexpr wchar_t kStopOverdue[] = L"加速组件未能及时退出，加速已停止，如需重新加速请稍候再试";

// How long a stop may take before the page returns to idle by itself: the
// tunnel library only has to close its connection to the node and return,
// which takes well under a second; ten seconds leave room for a slow machine
// without leaving the user in front of a waiting notice.
constexpr UINT kStopBoundMs = 10000;
constexpr UINT_PTR kStopBoundTimer = 0x4B53;
// How long the exit waits for a start worker between its steps: each step is at
// most one exchange with the service (10 s) or one driver tool run, and the
// worker gives up before the next; five seconds cover all but a dead service,
// after which the process ends all the same.
constexpr DWORD kExitWaitMs = 5000;

// Signals the tunnel's stop event and closes the program's handle to it.
void signalStopEvent() {
  if (const UniqueHandle event{static_cast<HANDLE>(ClientState::instance().takeStopEvent())}) SetEvent(event.get());
}

// A step that did not end well: its picture, its detail and the retry button.
void failLastStep(Element& table, const std::wstring& detail) {
  steptable::markLast(table, L"NO.PNG", L"error", detail);
  steptable::appendButtonRow(table, L"btnretryacc", L"BTNRETRYACC.PNG");
}

}  // namespace

bool AccelerationPanel::onCommand(MainElement index) {
  switch (index) {
    case BtnStartAcc: start(); return true;
    case LinkStopAcc: stop(); return true;
    default: return false;
  }
}

bool AccelerationPanel::onCommandId(const std::wstring& id) {
  if (id != L"btnretryacc") return false;
  start();
  return true;
}

bool AccelerationPanel::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACC_STEP:
      if (lParam != 0) onStep(*reinterpret_cast<const AccStepRecord*>(lParam));
      return true;
    case WM_TUNNEL_ERROR: onTunnelError(static_cast<int32_t>(lParam)); return true;
    case WM_TUNNEL_CONNECTED: onTunnelConnected(); return true;
    case WM_TUNNEL_INFO: onTunnelInfo(wParam, lParam); return true;
    case WM_ROUTES_READY: onRoutesReady(wParam); return true;
    case WM_TUNNEL_CLOSED: onTunnelClosed(wParam); return true;
    case WM_ACC_WORKER_ENDED: onWorkerEnded(); return true;
    case WM_TUNNEL_POSTS_HANDLED: acknowledgeTunnelPosts(static_cast<uint32_t>(wParam)); return true;
    case WM_TUNNEL_TRAFFIC: onTraffic(wParam, lParam); return true;
    case WM_LINK_QUALITY: onLinkQuality(static_cast<uint32_t>(wParam), lParam); return true;
    case WM_GAME_SERVER_ECHOES: onGameServerEchoes(wParam, lParam); return true;
    case WM_ACC_STOP:
      if (isCurrentAttempt(wParam)) stop();
      return true;
    case WM_TIMER:
      if (wParam != kStopBoundTimer) return false;
      onStopOverdue();
      return true;
    default: return false;
  }
}

htmlayout::dom::element AccelerationPanel::stepTable() const { return view_.page(AccingContainer).find_first(L"#acctable"); }

void AccelerationPanel::start() {
  if (selection_.nodeId == 0) {
    view_.showMessage(kChooseNodeFirst);
    return;
  }
  if (selection_.gameId == 0) {
    view_.showMessage(kChooseGameFirst);
    return;
  }
  view_.show(StartAccContainer, L"none");
  view_.show(AccingContainer, L"block");
  Element progress = view_.page(AccingContainer);
  progress.clear();
  view_.show(AccStatusContainer, L"none");
  view_.setText(AccLostNote, L"");
  view_.show(AccLostNote, L"none");

  Element table = steptable::create(L"acctable");
  progress.append(table);

  ClientState& state = ClientState::instance();
  // The previous attempt's worker may still be inside the tunnel library or
  // between steps: this attempt starts when it has ended (WM_ACC_WORKER_ENDED).
  if (state.startWorkerRunning != 0) {
    pendingStart_ = true;
    steptable::appendStep(table, kWaitingForPrevious);
    return;
  }
  pendingStart_ = false;
  stopping_ = false;
  resetFigures();
  startedNodeId_ = selection_.nodeId;
  startedGameId_ = selection_.gameId;
  auto argument = std::make_unique<AccStartArgument>();
  argument->nodeId = selection_.nodeId;
  argument->gameId = selection_.gameId;
  argument->voiceId = selection_.voiceId;
  argument->attempt = ++state.accelerationAttempt;
  accelerationStarter()(std::move(argument));
}

void AccelerationPanel::onWorkerEnded() {
  if (!pendingStart_) return;
  pendingStart_ = false;
  start();
}

bool AccelerationPanel::isCurrentAttempt(WPARAM attempt) const {
  return static_cast<uint32_t>(attempt) == ClientState::instance().accelerationAttempt;
}

void AccelerationPanel::onStep(const AccStepRecord& record) {
  if (!isCurrentAttempt(record.attempt) || pendingStart_) return;
  Element table = stepTable();
  if (!table.is_valid()) return;
  switch (record.state) {
    case kStepRunning:
      steptable::appendStep(table, record.title);
      return;
    case kStepOk:
      steptable::markLast(table, L"OK.PNG");
      return;
    case kStepError:
      failLastStep(table, record.detail);
      return;
    case kStepWarn:
      steptable::markLast(table, L"WARN.PNG", L"warn", record.detail);
      return;
    default:
      return;
  }
}

void AccelerationPanel::onTunnelError(int32_t code) {
  if (pendingStart_) return;
  Element table = stepTable();
  if (!table.is_valid()) return;
  // Only while the tunnel step still runs; a late error changes nothing.
  const Element status = steptable::lastStatus(table);
  if (!status.is_valid() || status.get_attribute("src") != L"LOADING.GIF") return;
  failLastStep(table, tunnelErrorText(code));
}

void AccelerationPanel::onTunnelConnected() {
  if (pendingStart_) return;
  ClientState& state = ClientState::instance();
  // A second report of one attempt starts no second route run.
  const uint32_t attempt = state.accelerationAttempt;
  if (connectedAttempt_ == attempt) return;
  state.accelerating = 1;
  const Element table = stepTable();
  if (!table.is_valid()) return;
  connectedAttempt_ = attempt;
  steptable::markLast(table, L"OK.PNG");
  startRouteInstallation(attempt);
}

void AccelerationPanel::onTunnelInfo(WPARAM kind, LPARAM text) {
  if (text == 0) return;
  const std::wstring value = fromAnsi(reinterpret_cast<const char*>(text));
  ClientState& state = ClientState::instance();
  switch (kind) {
    case 1: state.setTunnelGateway(value); return;
    case 2: state.setAdapterAddress(value); return;
    case 3: state.setAdapterMask(value); return;
    default: return;
  }
}

void AccelerationPanel::onRoutesReady(WPARAM attempt) {
  ClientState& state = ClientState::instance();
  // Routes of a tunnel that has ended (or of an earlier attempt) go at once;
  // the page stays as it is.
  if (!isCurrentAttempt(attempt) || state.accelerating == 0 || closedAttempt_ == state.accelerationAttempt) {
    removeRoutesOf(static_cast<uint32_t>(attempt));
    return;
  }
  // One monitor and one quality sampler per attempt.
  if (monitoredAttempt_ == static_cast<uint32_t>(attempt)) return;
  monitoredAttempt_ = static_cast<uint32_t>(attempt);
  // One token per attempt: a monitor of an earlier acceleration never takes it for its own.
  const std::wstring token = L"Check" + std::to_wstring(static_cast<uint32_t>(attempt));
  state.setMonitorToken(token);
  startLinkMonitor(token);
  startLinkQualityProbe(token);
  std::vector<std::wstring> servers = chooseGameServers(state.routeTargets(), state.tunnelNode());
  if (servers.empty()) {
    gameServers_.begin({});
    showGameServers();
  }
  startAcceleratedMeasurement(token, static_cast<uint32_t>(attempt), std::move(servers));
  view_.setText(AccDataLatency, kMeasuring);
  view_.setText(AccDataLoss, kMeasuring);

  view_.page(AccPic).set_style_attribute("foreground-image", L"url(HASACC.PNG)");
  view_.show(StartAccContainer, L"none");
  view_.show(AccingContainer, L"none");
  view_.setText(ActionTip, L"");
  view_.show(ActionTip, L"none");
  view_.show(BtnRunGame, L"block");
  view_.show(LinkStopAcc, L"block");
  view_.show(LinkSetGamePath, L"block");
  view_.show(AccStatusContainer, L"block");

  // The warning line keeps the last detail (warning or error) of the table.
  bool warned = false;
  if (const Element table = stepTable(); table.is_valid()) {
    for (unsigned index = 0; index < table.children_count(); ++index) {
      const Element detail = steptable::detailOf(table.child(index));
      if (!detail.is_valid()) continue;
      view_.setText(AccStatusWarnInfo, detail.text() + L"\r\n");
      warned = true;
    }
  }
  view_.show(AccTipLine, warned ? L"block" : L"none");
}

void AccelerationPanel::onTunnelClosed(WPARAM attempt) {
  ClientState& state = ClientState::instance();
  // A late report of an earlier attempt, or of one the stop's bound already
  // returned to idle, changes nothing.
  if (!isCurrentAttempt(attempt) || closedAttempt_ == static_cast<uint32_t>(attempt)) return;
  closedAttempt_ = static_cast<uint32_t>(attempt);
  if (stopping_) KillTimer(view_.window(), kStopBoundTimer);
  const bool lostWhileRunning = state.accelerating != 0 && !stopping_;
  stopping_ = false;
  recordSession();
  state.accelerating = 0;
  state.linkReportShown = 0;
  // A tunnel that ended by itself leaves no route behind.
  removeInstalledRoutes();
  view_.page(AccPic).set_style_attribute("foreground-image", L"url(NOTACC.PNG)");
  view_.page(RateChart).call_method("cleardata", {});
  traffic_ = {};
  tray_.showTip(L"");
  // A retry already waits for this worker's end: its waiting row stays as it is.
  if (pendingStart_) return;

  Element table = stepTable();
  const Element status = table.is_valid() ? steptable::lastStatus(table) : Element();
  if (status.is_valid() && status.get_attribute("src") == L"LOADING.GIF") {
    failLastStep(table, kTunnelEndedUnexpectedly);
    return;
  }
  // A retry row (no picture) keeps the failure in view.
  if (!status.is_valid()) return;
  showIdleView();
  if (lostWhileRunning) {
    // The tunnel ended by itself: said in the idle view, and by a balloon
    // when the window is hidden in the notification area.
    view_.setText(AccLostNote, kTunnelLost);
    view_.show(AccLostNote, L"block");
    tray_.showBalloon(kTunnelLostTitle, kTunnelLost);
  }
}

void AccelerationPanel::showIdleView() {
  view_.show(StartAccContainer, L"block");
  view_.show(AccingContainer, L"none");
  view_.show(AccStatusContainer, L"none");
}

void AccelerationPanel::onStopOverdue() {
  KillTimer(view_.window(), kStopBoundTimer);
  ClientState& state = ClientState::instance();
  const uint32_t attempt = stoppedAttempt_;
  if (!isCurrentAttempt(attempt) || closedAttempt_ == static_cast<uint32_t>(attempt) || !stopping_) return;
  // The routes went with the stop; the library's late WM_TUNNEL_CLOSED will change nothing.
  closedAttempt_ = static_cast<uint32_t>(attempt);
  stopping_ = false;
  state.accelerating = 0;
  view_.page(AccPic).set_style_attribute("foreground-image", L"url(NOTACC.PNG)");
  view_.page(RateChart).call_method("cleardata", {});
  traffic_ = {};
  tray_.showTip(L"");
  showIdleView();
  view_.setText(AccLostNote, kStopOverdue);
  view_.show(AccLostNote, L"block");
}

void AccelerationPanel::resetFigures() {
  traffic_ = {};
  gameServers_.clear();
  linkLatencyMs_.reset();
  view_.setText(TxtGameGain, gameServerHeadline(gameServers_));
  view_.page(GameServerList).clear();
  for (MainElement rate : {AccDataSpeedUp, AccDataSpeedDown, AccDataSpeedMax}) view_.setText(rate, rateText(0));
  for (MainElement total : {AccDataFlowUp, AccDataFlowDown}) view_.setText(total, byteText(0));
  view_.page(RateChart).call_method("cleardata", {});
}

void AccelerationPanel::onTraffic(WPARAM received, LPARAM sent) {
  // Only the running acceleration's library counts: a library still posting
  // after a stop that missed its bound (or after the tunnel's end) changes nothing.
  const ClientState& state = ClientState::instance();
  if (state.accelerating == 0 || stopping_ || closedAttempt_ == state.accelerationAttempt) return;
  const TrafficSample sample =
      addTrafficReport(traffic_, static_cast<uint32_t>(received), static_cast<uint32_t>(sent));
  view_.setText(AccDataSpeedUp, rateText(sample.upRate));
  view_.setText(AccDataFlowUp, byteText(sample.upTotal));
  view_.setText(AccDataSpeedDown, rateText(sample.downRate));
  view_.setText(AccDataFlowDown, byteText(sample.downTotal));
  if (sample.newPeak) view_.setText(AccDataSpeedMax, rateText(sample.peakRate));
  view_.page(RateChart).call_method("newdata", {htmlayout::value::make_int64(sample.upRate),
                                          htmlayout::value::make_int64(sample.downRate)});
}

void AccelerationPanel::onLinkQuality(uint32_t latencyMs, LPARAM lossHundredths) {
  // A late sample of an acceleration that is over changes nothing.
  if (ClientState::instance().accelerating == 0) return;
  view_.setText(AccDataLatency, linkLatencyText(latencyMs));
  view_.setText(AccDataLoss, linkLossText(lossHundredths));
  linkLatencyMs_ = latencyMs;
  showAcceleratingTip();
}

void AccelerationPanel::showAcceleratingTip() {
  if (!linkLatencyMs_) return;
  std::optional<uint32_t> gameServerMs;
  if (const GameServerFigures* server = gameServers_.headline()) gameServerMs = server->acceleratedFigures().averageMs();
  tray_.showTip(acceleratingTrayTip(*linkLatencyMs_, gameServerMs));
}

void AccelerationPanel::onGameServerEchoes(WPARAM attempt, LPARAM record) {
  const std::unique_ptr<GameServerEchoes> echoes(reinterpret_cast<GameServerEchoes*>(record));
  if (!echoes || !isCurrentAttempt(attempt) || closedAttempt_ == static_cast<uint32_t>(attempt)) return;
  // Echoes through the tunnel count only while it runs.
  if (!echoes->direct && (ClientState::instance().accelerating == 0 || stopping_)) return;
  if (!gameServers_.begun()) gameServers_.begin(echoes->servers);
  for (size_t server = 0; server < echoes->outcomes.size(); ++server) {
    if (echoes->direct) {
      gameServers_.addDirect(server, echoes->outcomes[server]);
    } else {
      gameServers_.addAccelerated(server, echoes->outcomes[server]);
    }
  }
  showGameServers();
  if (!echoes->direct) showAcceleratingTip();
}

void AccelerationPanel::showGameServers() {
  view_.setText(TxtGameGain, gameServerHeadline(gameServers_));
  Element list = view_.page(GameServerList);
  list.clear();
  for (const GameServerFigures& server : gameServers_.servers()) list.append(Element::create("div", gameServerLine(server)));
}

void AccelerationPanel::recordSession() {
  const uint32_t attempt = ClientState::instance().accelerationAttempt;
  if (recordedAttempt_ == attempt) return;
  recordedAttempt_ = attempt;
  const GameServerFigures* server = gameServers_.headline();
  if (server == nullptr || startedGameId_ == 0) return;
  addGameSession(startedGameId_, GameSession{startedNodeId_, server->direct.averageMs(),
                                             *server->acceleratedFigures().averageMs()});
  if (startedGameId_ == selection_.gameId) showBestNode(view_, startedGameId_);
}

void AccelerationPanel::stop() {
  ClientState& state = ClientState::instance();
  if (state.accelerating == 0) return;
  stopping_ = true;
  stoppedAttempt_ = state.accelerationAttempt;
  SetTimer(view_.window(), kStopBoundTimer, kStopBoundMs, nullptr);
  view_.setText(ActionTip, kStopping);
  view_.show(ActionTip, L"block");
  view_.show(BtnRunGame, L"none");
  view_.show(LinkStopAcc, L"none");
  view_.show(LinkSetGamePath, L"none");
  recordSession();
  // The routes go first: the game's packets never find a tunnel that is closing.
  removeInstalledRoutes();
  state.accelerating = 0;
  state.linkReportShown = 0;
  signalStopEvent();
}

void AccelerationPanel::endStartWorkerForExit() {
  ClientState& state = ClientState::instance();
  if (state.startWorkerRunning == 0) return;
  state.cancelledAttempt = state.accelerationAttempt.load();
  // A tunnel still connecting has its stop event but no acceleration yet.
  signalStopEvent();
  // Sent reports are handled while waiting, so the worker never blocks on the window.
  const ULONGLONG deadline = GetTickCount64() + kExitWaitMs;
  while (state.startWorkerRunning != 0 && GetTickCount64() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_SENDMESSAGE | QS_POSTMESSAGE);
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    // The tunnel library returned: its texts go unread, and it may be unloaded at once.
    const HWND window = view_.window();
    if (PeekMessageW(&message, window, WM_TUNNEL_POSTS_HANDLED, WM_TUNNEL_POSTS_HANDLED, PM_NOREMOVE)) {
      while (PeekMessageW(&message, window, WM_TUNNEL_INFO, WM_TUNNEL_INFO, PM_REMOVE)) {
      }
      while (PeekMessageW(&message, window, WM_TUNNEL_POSTS_HANDLED, WM_TUNNEL_POSTS_HANDLED, PM_REMOVE))
        acknowledgeTunnelPosts(static_cast<uint32_t>(message.wParam));
    }
  }
  removeInstalledRoutes();
}

void AccelerationPanel::onDestroy() {
  // Routes of this program never outlive its window.
  removeInstalledRoutes();
}

}  // namespace kestro
