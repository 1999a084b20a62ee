// The diagnosis page: its start and running views, the result table that the
// diagnosis worker's reports fill, the coloured score, and the two repair
// commands (LSP repair and removal of the virtual adapter).
#include "accel/virtual_adapter_win.h"
#include "app/client_state.h"
#include "app/window_messages.h"
#include "diag/base_providers.h"
#include "diag/diag_step_record.h"
#include "diag/diagnosis_worker_win.h"
#include "diag/provider_scan_win.h"
#include "ui/host/message_window_win.h"
#include "ui/main/diagnosis_page_texts.h"
#include "ui/main/main_window_win.h"
#include "ui/main/step_table.h"

namespace kestro {

namespace {

// The engine takes the disabled state from the attribute only when a page
// loads, so a change made later is mirrored into the state here.
void setDisabled(htmlayout::dom::element button, bool disabled) {
  if (disabled) {
    button.set_attribute("disabled", L"true");
    button.set_state(htmlayout::STATE_DISABLED);
  } else {
    button.remove_attribute("disabled");
    button.set_state(0, htmlayout::STATE_DISABLED);
  }
}

}  // namespace

void CMainWindow::startDiagnosis(float latency, float loss) {
  // A link report that arrives while a diagnosis runs is dropped.
  if (diagnosisRunning != 0) return;
  diagnosisRunning = 1;
  setText(AutoScore, L"");
  setText(ManualScore, L"");
  // The link monitor makes no second report during this acceleration.
  ClientState::instance().linkReportShown = 1;
  show(DiagStartPage, L"none");
  show(DiagingPage, L"block");
  selectPanel(L"panel-id5");

  if (!IsWindowVisible(window())) {
    EnableWindow(window(), TRUE);
    ShowWindow(window(), SW_SHOW);  // the tray icon goes as the window shows
  }
  SetForegroundWindow(window());

  htmlayout::dom::element result = page(DiagResult);
  result.clear();
  if (isAutomaticStart(latency, loss)) {
    show(DiagingManualPanel, L"none");
    show(DiagingAutoPanel, L"block");
    setText(AutoPanelLatency, linkLatencyText(latency));
    setText(AutoPanelDropRate, linkLossText(loss));
  } else {
    show(DiagingManualPanel, L"block");
    show(DiagingAutoPanel, L"none");
  }

  result.append(steptable::create(L"diagtable"));

  // Without a worker no score would ever come: back to the start view, which
  // offers the start again.
  if (!diagnosisStarter()()) {
    diagnosisRunning = 0;
    showDiagStartView();
    showOwnedMessage(kDiagnosisNotStarted, MessageIcon::Error);
  }
}

void CMainWindow::onLinkDegraded(WPARAM latency, LPARAM loss) {
  // A report measured before the acceleration ended changes nothing now.
  if (ClientState::instance().accelerating == 0) return;
  startDiagnosis(static_cast<float>(static_cast<uint32_t>(latency)), lossFromLinkReport(loss));
}

void CMainWindow::showDiagStep(LPARAM record) {
  const auto* step = reinterpret_cast<const DiagStepRecord*>(record);
  if (step == nullptr) return;
  htmlayout::dom::element table = page(DiagResult).find_by_id(L"diagtable");
  if (!table.is_valid()) return;

  if (step->status == DiagStatus::running) {
    steptable::appendStep(table, step->title);
    return;
  }
  // The worker sends each check's start before its verdict, so the verdict
  // belongs to the last row.
  if (const wchar_t* image = verdictImage(step->status))
    steptable::markLast(table, image, verdictParagraphClass(step->status), step->detail);
}

void CMainWindow::showDiagScore(int32_t score) {
  diagnosisRunning = 0;
  const std::wstring text = diagScoreText(score);
  for (MainElement index : {AutoScore, ManualScore}) {
    htmlayout::dom::element shown = page(index);
    shown.set_text(text);
    shown.set_style_attribute("color", diagScoreColour(score));
  }

  htmlayout::dom::element table = page(DiagResult).find_by_id(L"diagtable");
  if (!table.is_valid()) return;
  steptable::appendButtonRow(table, L"btnbackdiag", L"BTNBACK.PNG");
}

void CMainWindow::showDiagStartView() {
  show(DiagStartPage, L"block");
  show(DiagingPage, L"none");
}

void CMainWindow::repairLsp() {
  setDisabled(page(BtnFixLsp), true);
  bool removed = false;
  const bool repaired = removeForeignProviders(BaseProviderList{}, removed);
  if (!repaired) {
    if (!showOwnedMessage(kLspRepairFailed, MessageIcon::Error)) return;
  } else if (!removed) {
    if (!showOwnedMessage(kNoForeignLsp)) return;
  } else {
    if (!showOwnedMessage(kLspRepaired)) return;
    // The catalogue changed under the running program: it ends, to be started again.
    stopAcceleration();
    PostMessageW(window(), WM_CLOSE, 0, 0);
    return;
  }
  setDisabled(page(BtnFixLsp), false);
}

void CMainWindow::removeAdapterCommand() {
  setDisabled(page(BtnRemoveDriver), true);
  const std::optional<int32_t> answer = askOwnedQuestion(kAdapterRemovalQuestion);
  if (!answer) return;
  if (*answer == kAnswerYes) {
    std::wstring reason;
    if (removeVirtualAdapters(reason)) {
      const std::optional<int32_t> exit = askOwnedQuestion(kAdapterRemovedQuestion);
      if (!exit) return;
      if (*exit == kAnswerYes) {
        stopAcceleration();
        PostMessageW(window(), WM_CLOSE, 0, 0);
        return;
      }
    } else if (!showOwnedMessage(adapterRemovalFailedText(reason), MessageIcon::Error)) {
      return;
    }
  }
  setDisabled(page(BtnRemoveDriver), false);
}

}  // namespace kestro
