#include "ui/main/diagnosis_page_win.h"

#include "accel/virtual_adapter_win.h"
#include "app/client_state.h"
#include "app/window_messages.h"
#include "diag/base_providers.h"
#include "diag/diag_step_record.h"
#include "diag/diagnosis_worker_win.h"
#include "diag/provider_scan_win.h"
#include "ui/host/message_window_win.h"
#include "ui/main/diagnosis_page_texts.h"
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

bool DiagnosisPage::onCommand(MainElement index) {
  switch (index) {
    case BtnStartDiag: start(0.0f, 0.0f); return true;
    case BtnFixLsp: repairLsp(); return true;
    case BtnRemoveDriver: removeAdapter(); return true;
    default: return false;
  }
}

bool DiagnosisPage::onCommandId(const std::wstring& id) {
  if (id != L"btnbackdiag") return false;
  showStartView();
  return true;
}

bool DiagnosisPage::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LINK_DEGRADED: onLinkDegraded(wParam, lParam); return true;
    case WM_DIAG_STEP: showStep(lParam); return true;
    case WM_DIAG_DONE: showScore(static_cast<int32_t>(lParam)); return true;
    default: return false;
  }
}

void DiagnosisPage::start(float latency, float loss) {
  // A link report that arrives while a diagnosis runs is dropped.
  if (running_) return;
  running_ = true;
  view_.setText(AutoScore, L"");
  view_.setText(ManualScore, L"");
  // The link monitor makes no second report during this acceleration.
  ClientState::instance().linkReportShown = 1;
  view_.show(DiagStartPage, L"none");
  view_.show(DiagingPage, L"block");
  view_.selectPanel(L"panel-id5");

  if (!IsWindowVisible(view_.window())) {
    EnableWindow(view_.window(), TRUE);
    ShowWindow(view_.window(), SW_SHOW);  // the tray icon goes as the window shows
  }
  SetForegroundWindow(view_.window());

  htmlayout::dom::element result = view_.page(DiagResult);
  result.clear();
  if (isAutomaticStart(latency, loss)) {
    view_.show(DiagingManualPanel, L"none");
    view_.show(DiagingAutoPanel, L"block");
    view_.setText(AutoPanelLatency, linkLatencyText(latency));
    view_.setText(AutoPanelDropRate, linkLossText(loss));
  } else {
    view_.show(DiagingManualPanel, L"block");
    view_.show(DiagingAutoPanel, L"none");
  }

  result.append(steptable::create(L"diagtable"));

  // Without a worker no score would ever come: back to the start view, which
  // offers the start again.
  if (!diagnosisStarter()()) {
    running_ = false;
    showStartView();
    view_.showMessage(kDiagnosisNotStarted, MessageIcon::Error);
  }
}

void DiagnosisPage::onLinkDegraded(WPARAM latency, LPARAM loss) {
  // A report measured before the acceleration ended changes nothing now.
  if (ClientState::instance().accelerating == 0) return;
  start(static_cast<float>(static_cast<uint32_t>(latency)), lossFromLinkReport(loss));
}

void DiagnosisPage::showStep(LPARAM record) {
  const auto* step = reinterpret_cast<const DiagStepRecord*>(record);
  if (step == nullptr) return;
  htmlayout::dom::element table = view_.page(DiagResult).find_by_id(L"diagtable");
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

void DiagnosisPage::showScore(int32_t score) {
  running_ = false;
  // A run that could not finish: back to the start view, which offers it again.
  if (score == kDiagnosisFailed) {
    showStartView();
    view_.showMessage(kDiagnosisNotFinished, MessageIcon::Error);
    return;
  }
  const std::wstring text = diagScoreText(score);
  for (MainElement index : {AutoScore, ManualScore}) {
    htmlayout::dom::element shown = view_.page(index);
    shown.set_text(text);
    shown.set_style_attribute("color", diagScoreColour(score));
  }

  htmlayout::dom::element table = view_.page(DiagResult).find_by_id(L"diagtable");
  if (!table.is_valid()) return;
  steptable::appendButtonRow(table, L"btnbackdiag", L"BTNBACK.PNG");
}

void DiagnosisPage::showStartView() {
  view_.show(DiagStartPage, L"block");
  view_.show(DiagingPage, L"none");
}

void DiagnosisPage::repairLsp() {
  setDisabled(view_.page(BtnFixLsp), true);
  bool removed = false;
  const bool repaired = removeForeignProviders(BaseProviderList{}, removed);
  if (!repaired) {
    if (!view_.showMessage(kLspRepairFailed, MessageIcon::Error)) return;
  } else if (!removed) {
    if (!view_.showMessage(kNoForeignLsp)) return;
  } else {
    if (!view_.showMessage(kLspRepaired)) return;
    // The catalogue changed under the running program: it ends, to be started again.
    view_.exitProgram();
    return;
  }
  setDisabled(view_.page(BtnFixLsp), false);
}

void DiagnosisPage::removeAdapter() {
  setDisabled(view_.page(BtnRemoveDriver), true);
  const std::optional<int32_t> answer = view_.askQuestion(kAdapterRemovalQuestion, QuestionWeight::Destructive);
  if (!answer) return;
  if (*answer == kAnswerYes) {
    std::wstring reason;
    if (removeVirtualAdapters(reason)) {
      const std::optional<int32_t> exit = view_.askQuestion(kAdapterRemovedQuestion, exitWeight());
      if (!exit) return;
      if (*exit == kAnswerYes) {
        view_.exitProgram();
        return;
      }
    } else if (!view_.showMessage(adapterRemovalFailedText(reason), MessageIcon::Error)) {
      return;
    }
  }
  setDisabled(view_.page(BtnRemoveDriver), false);
}

}  // namespace kestro
