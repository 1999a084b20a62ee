// The acceleration panel of the main window: the start command, the progress
// table fed by the start worker, the route installation and the tunnel
// library, the switch to the traffic view, the traffic figures and the stop.
#include <cstdlib>
#include <ctime>
#include <memory>

#include "accel/acc_step_record.h"
#include "accel/acceleration_start_win.h"
#include "accel/link_monitor_win.h"
#include "accel/routes_win.h"
#include "accel/tunnel_errors.h"
#include "app/client_state.h"
#include "app/text_convert.h"
#include "ui/main_window_win.h"
#include "ui/step_table.h"

namespace kestro {

namespace {

// Inside the window's members "element" names the bound-element lookup.
using Element = htmlayout::dom::element;

constexpr wchar_t kChooseNodeFirst[] = L"请先点击上方“选择节点”按钮选择需要使用的加速节点！";
constexpr wchar_t kChooseGameFirst[] = L"请先点击上方“选择游戏”按钮选择需要加速的游戏！";
constexpr wchar_t kStopping[] = L"请稍候，正在停止加速……";

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

  progress.append(steptable::create(L"acctable"));

  auto argument = std::make_unique<AccStartArgument>();
  argument->nodeId = selectedNodeId;
  argument->gameId = selectedGameId;
  argument->voiceId = selectedVoiceId;
  accelerationStarter()(std::move(argument));
}

void CMainWindow::onAccStep(const AccStepRecord& record) {
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
  Element table = accTable();
  if (!table.is_valid()) return;
  // Only while the tunnel step still runs; a late error changes nothing.
  const Element status = steptable::lastStatus(table);
  if (!status.is_valid() || status.get_attribute("src") != L"LOADING.GIF") return;
  failLastStep(table, tunnelErrorText(code));
}

void CMainWindow::onTunnelConnected() {
  ClientState::instance().accelerating = 1;
  const Element table = accTable();
  if (!table.is_valid()) return;
  steptable::markLast(table, L"OK.PNG");
  startRouteInstallation();
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

void CMainWindow::onRoutesReady() {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  const std::wstring token = L"Check" + std::to_wstring(std::rand() % 1000);
  ClientState::instance().setMonitorToken(token);
  startLinkMonitor(token);

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

void CMainWindow::onTunnelClosed() {
  ClientState& state = ClientState::instance();
  state.accelerating = 0;
  state.linkReportShown = 0;
  // A tunnel that ended by itself leaves no route behind.
  removeInstalledRoutes();
  page(AccPic).set_style_attribute("foreground-image", L"url(NOTACC.PNG)");
  page(RateChart).call_method("cleardata", {});
  traffic_ = {};

  Element table = accTable();
  const Element status = table.is_valid() ? steptable::lastStatus(table) : Element();
  if (status.is_valid() && status.get_attribute("src") == L"LOADING.GIF") {
    failLastStep(table, kTunnelEndedUnexpectedly);
    return;
  }
  // A retry row (no picture) keeps the failure in view.
  if (!status.is_valid()) return;
  show(StartAccContainer, L"block");
  show(AccingContainer, L"none");
  show(AccStatusContainer, L"none");
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

void CMainWindow::stopAcceleration() {
  if (ClientState::instance().accelerating == 0) return;
  setText(ActionTip, kStopping);
  show(ActionTip, L"block");
  show(BtnRunGame, L"none");
  show(LinkStopAcc, L"none");
  show(LinkSetGamePath, L"none");
  stopRunningAcceleration();
}

}  // namespace kestro
