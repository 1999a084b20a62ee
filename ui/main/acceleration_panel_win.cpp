// The acceleration panel of the main window: the start command, the progress
// table fed by the start worker, the route installation and the tunnel
// library, the switch to the traffic view, the traffic figures and the stop.
#include <memory>

#include "accel/acc_step_record.h"
#include "accel/acceleration_start_win.h"
#include "accel/link_monitor_win.h"
#include "accel/link_quality.h"
#include "accel/link_quality_win.h"
#include "accel/routes_win.h"
#include "accel/tunnel_errors.h"
#include "app/client_state.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/text_convert.h"
#include "ui/main/main_window_win.h"
#include "ui/main/step_table.h"

namespace kestro {

namespace {

// Inside the window's members "element" names the bound-element lookup.
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

// A step that did not end well: its picture, its detail and the retry button.
void failLastStep(Element& table, const std::wstring& detail) {
  steptable::markLast(table, L"NO.PNG", L"error", detail);
  steptable::appendButtonRow(table, L"btnretryacc", L"BTNRETRYACC.PNG");
}

}  // namespace

htmlayout::dom::element CMainWindow::accTable() const { return page(AccingContainer).find_first(L"#acctable"); }

void CMainWindow::startAcceleration() {
  if (selectedNodeId == 0) {
    showOwnedMessage(kChooseNodeFirst);
    return;
  }
  if (selectedGameId == 0) {
    showOwnedMessage(kChooseGameFirst);
    return;
  }
  show(StartAccContainer, L"none");
  show(AccingContainer, L"block");
  Element progress = page(AccingContainer);
  progress.clear();
  show(AccStatusContainer, L"none");
  setText(AccLostNote, L"");
  show(AccLostNote, L"none");

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
  auto argument = std::make_unique<AccStartArgument>();
  argument->nodeId = selectedNodeId;
  argument->gameId = selectedGameId;
  argument->voiceId = selectedVoiceId;
  argument->attempt = ++state.accelerationAttempt;
  accelerationStarter()(std::move(argument));
}

void CMainWindow::onAccWorkerEnded() {
  if (!pendingStart_) return;
  pendingStart_ = false;
  startAcceleration();
}

bool CMainWindow::isCurrentAttempt(WPARAM attempt) const {
  return static_cast<uint32_t>(attempt) == ClientState::instance().accelerationAttempt;
}

void CMainWindow::onAccStep(const AccStepRecord& record) {
  if (!isCurrentAttempt(record.attempt) || pendingStart_) return;
  Element table = accTable();
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

void CMainWindow::onTunnelError(int32_t code) {
  if (pendingStart_) return;
  Element table = accTable();
  if (!table.is_valid()) return;
  // Only while the tunnel step still runs; a late error changes nothing.
  const Element status = steptable::lastStatus(table);
  if (!status.is_valid() || status.get_attribute("src") != L"LOADING.GIF") return;
  failLastStep(table, tunnelErrorText(code));
}

void CMainWindow::onTunnelConnected() {
  if (pendingStart_) return;
  ClientState::instance().accelerating = 1;
  const Element table = accTable();
  if (!table.is_valid()) return;
  steptable::markLast(table, L"OK.PNG");
  startRouteInstallation(ClientState::instance().accelerationAttempt);
}

void CMainWindow::onTunnelInfo(WPARAM kind, LPARAM text) {
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

void CMainWindow::onRoutesReady(WPARAM attempt) {
  ClientState& state = ClientState::instance();
  // Routes of a tunnel that has ended (or of an earlier attempt) go at once;
  // the page stays as it is.
  if (!isCurrentAttempt(attempt) || state.accelerating == 0 || closedAttempt_ == state.accelerationAttempt) {
    removeInstalledRoutes();
    return;
  }
  // One token per attempt: a monitor of an earlier acceleration never takes it for its own.
  const std::wstring token = L"Check" + std::to_wstring(static_cast<uint32_t>(attempt));
  state.setMonitorToken(token);
  startLinkMonitor(token);
  startLinkQualityProbe(token);
  setText(AccDataLatency, kMeasuring);
  setText(AccDataLoss, kMeasuring);

  page(AccPic).set_style_attribute("foreground-image", L"url(HASACC.PNG)");
  show(StartAccContainer, L"none");
  show(AccingContainer, L"none");
  setText(ActionTip, L"");
  show(ActionTip, L"none");
  show(BtnRunGame, L"block");
  show(LinkStopAcc, L"block");
  show(LinkSetGamePath, L"block");
  show(AccStatusContainer, L"block");

  // The warning line keeps the last detail (warning or error) of the table.
  bool warned = false;
  if (const Element table = accTable(); table.is_valid()) {
    for (unsigned index = 0; index < table.children_count(); ++index) {
      const Element detail = steptable::detailOf(table.child(index));
      if (!detail.is_valid()) continue;
      setText(AccStatusWarnInfo, detail.text() + L"\r\n");
      warned = true;
    }
  }
  show(AccTipLine, warned ? L"block" : L"none");
}

void CMainWindow::onTunnelClosed(WPARAM attempt) {
  ClientState& state = ClientState::instance();
  // A late report of an earlier attempt, or of one the stop's bound already
  // returned to idle, changes nothing.
  if (!isCurrentAttempt(attempt) || closedAttempt_ == static_cast<uint32_t>(attempt)) return;
  closedAttempt_ = static_cast<uint32_t>(attempt);
  if (stopping_) KillTimer(window(), kStopBoundTimer);
  const bool lostWhileRunning = state.accelerating != 0 && !stopping_;
  stopping_ = false;
  state.accelerating = 0;
  state.linkReportShown = 0;
  // A tunnel that ended by itself leaves no route behind.
  removeInstalledRoutes();
  page(AccPic).set_style_attribute("foreground-image", L"url(NOTACC.PNG)");
  page(RateChart).call_method("cleardata", {});
  traffic_ = {};
  showTrayTip(L"");

  Element table = accTable();
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
    setText(AccLostNote, kTunnelLost);
    show(AccLostNote, L"block");
    showTrayBalloon(kTunnelLostTitle, kTunnelLost);
  }
}

void CMainWindow::showIdleView() {
  show(StartAccContainer, L"block");
  show(AccingContainer, L"none");
  show(AccStatusContainer, L"none");
}

void CMainWindow::onStopOverdue() {
  KillTimer(window(), kStopBoundTimer);
  ClientState& state = ClientState::instance();
  const uint32_t attempt = stoppedAttempt_;
  if (!isCurrentAttempt(attempt) || closedAttempt_ == static_cast<uint32_t>(attempt) || !stopping_) return;
  // The routes went with the stop; the library's late WM_TUNNEL_CLOSED will change nothing.
  closedAttempt_ = static_cast<uint32_t>(attempt);
  stopping_ = false;
  state.accelerating = 0;
  page(AccPic).set_style_attribute("foreground-image", L"url(NOTACC.PNG)");
  page(RateChart).call_method("cleardata", {});
  traffic_ = {};
  showTrayTip(L"");
  showIdleView();
  setText(AccLostNote, kStopOverdue);
  show(AccLostNote, L"block");
}

void CMainWindow::onTunnelTraffic(WPARAM received, LPARAM sent) {
  const TrafficSample sample =
      addTrafficReport(traffic_, static_cast<uint32_t>(received), static_cast<uint32_t>(sent));
  setText(AccDataSpeedUp, rateText(sample.upRate));
  setText(AccDataFlowUp, byteText(sample.upTotal));
  setText(AccDataSpeedDown, rateText(sample.downRate));
  setText(AccDataFlowDown, byteText(sample.downTotal));
  if (sample.newPeak) setText(AccDataSpeedMax, rateText(sample.peakRate));
  page(RateChart).call_method("newdata", {htmlayout::value::make_int64(sample.upRate),
                                          htmlayout::value::make_int64(sample.downRate)});
}

void CMainWindow::onLinkQuality(uint32_t latencyMs, LPARAM lossHundredths) {
  // A late sample of an acceleration that is over changes nothing.
  if (ClientState::instance().accelerating == 0) return;
  setText(AccDataLatency, linkLatencyText(latencyMs));
  setText(AccDataLoss, linkLossText(lossHundredths));
  showTrayTip(acceleratingTrayTip(latencyMs));
}

void CMainWindow::stopAcceleration() {
  ClientState& state = ClientState::instance();
  if (state.accelerating == 0) return;
  stopping_ = true;
  stoppedAttempt_ = state.accelerationAttempt;
  SetTimer(window(), kStopBoundTimer, kStopBoundMs, nullptr);
  setText(ActionTip, kStopping);
  show(ActionTip, L"block");
  show(BtnRunGame, L"none");
  show(LinkStopAcc, L"none");
  show(LinkSetGamePath, L"none");
  stopRunningAcceleration();
}

}  // namespace kestro
