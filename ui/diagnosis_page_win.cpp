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
#include "ui/diagnosis_page_texts.h"
#include "ui/main_window_win.h"
#include "ui/message_window_win.h"

namespace kestro {

namespace {

htmlayout::dom::element imageCell(const wchar_t* source) {
  htmlayout::dom::element cell = htmlayout::dom::element::create("td");
  htmlayout::dom::element image = htmlayout::dom::element::create("img");
  image.set_attribute("src", source);
  cell.append(image);
  return cell;
}

// The fixed layout of the table takes its column widths from this row: a
// narrow arrow, the check's title and explanation, and its verdict picture.
htmlayout::dom::element headerRow() {
  htmlayout::dom::element row = htmlayout::dom::element::create("tr");
  for (const wchar_t* width : {L"30px", L"", L"40px"}) {
    htmlayout::dom::element cell = htmlayout::dom::element::create("th");
    if (*width != L'\0') cell.set_style_attribute("width", width);
    row.append(cell);
  }
  return row;
}

htmlayout::dom::element emptyRow() {
  htmlayout::dom::element row = htmlayout::dom::element::create("tr");
  for (int i = 0; i < 3; ++i) row.append(htmlayout::dom::element::create("td"));
  return row;
}

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
    if (inTray_) Shell_NotifyIconW(NIM_DELETE, &trayIcon_);
    inTray_ = false;
    EnableWindow(window(), TRUE);
    ShowWindow(window(), SW_SHOW);
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

  htmlayout::dom::element table = htmlayout::dom::element::create("table");
  table.set_attribute("id", L"diagtable");
  table.set_attribute("fixlayout", L"true");
  table.append(headerRow());
  result.append(table);

  HANDLE worker = CreateThread(nullptr, 0, &diagnosisWorker, nullptr, 0, nullptr);
  // Without a worker no score would ever come: the page stays open for a new start.
  if (worker == nullptr) {
    diagnosisRunning = 0;
    return;
  }
  CloseHandle(worker);
}

void CMainWindow::onLinkDegraded(WPARAM latency, LPARAM loss) {
  startDiagnosis(static_cast<float>(static_cast<uint32_t>(latency)), lossFromLinkReport(loss));
}

void CMainWindow::showDiagStep(LPARAM record) {
  const auto* step = reinterpret_cast<const DiagStepRecord*>(record);
  if (step == nullptr) return;
  htmlayout::dom::element table = page(DiagResult).find_by_id(L"diagtable");
  if (!table.is_valid()) return;

  if (step->status == DiagStatus::running) {
    htmlayout::dom::element row = htmlayout::dom::element::create("tr");
    row.append(imageCell(L"ARROW.PNG"));
    row.append(htmlayout::dom::element::create("td", step->title));
    row.append(imageCell(L"LOADING.GIF"));
    table.append(row);
    return;
  }
  const wchar_t* image = verdictImage(step->status);
  if (image == nullptr) return;
  // The worker sends each check's start before its verdict, so the verdict
  // belongs to the last row.
  const unsigned rows = table.children_count();
  if (rows == 0) return;
  const htmlayout::dom::element row = table.child(rows - 1);
  if (row.children_count() < 3) return;
  if (htmlayout::dom::element picture = row.child(2).child(0); picture.is_valid()) picture.set_attribute("src", image);
  if (const wchar_t* paragraphClass = verdictParagraphClass(step->status)) {
    htmlayout::dom::element paragraph = htmlayout::dom::element::create("p", step->detail);
    paragraph.set_attribute("class", paragraphClass);
    htmlayout::dom::element title = row.child(1);
    title.append(paragraph);
  }
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
  htmlayout::dom::element row = emptyRow();
  htmlayout::dom::element back = htmlayout::dom::element::create("widget");
  back.set_attribute("id", L"btnbackdiag");
  back.set_style_attribute("behavior", L"button");
  back.set_style_attribute("background", L"url(BTNBACK.PNG)");
  back.set_style_attribute("cursor", L"pointer");
  back.set_style_attribute("width", L"125px");
  back.set_style_attribute("height", L"40px");
  back.set_style_attribute("margin-left", L"170px");
  back.set_style_attribute("margin-top", L"20px");
  htmlayout::dom::element middle = row.child(1);
  middle.append(back);
  table.append(row);
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
