// The diagnosis page of a real main window on the test display: the diagnosis
// worker runs for real, with its echoes, name look-ups, process list and
// Winsock catalogue scripted through their seams, so nothing leaves loopback
// and the machine's catalogue is never changed.
#include <winsock2.h>

#include "ui/main/main_window_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "accel/driver_tool.h"
#include "accel/link_report.h"
#include "app/client_state.h"
#include "app/window_messages.h"
#include "base/text_convert.h"
#include "base/unique_handle_win.h"
#include "diag/diagnosis_checks.h"
#include "diag/diagnosis_worker_win.h"
#include "diag/host_resolver_win.h"
#include "htmlayout/win32/window_host_win.h"
#include "tests/diag/scripted_scans_win.h"
#include "tests/nodes/scripted_icmp_win.h"
#include "tests/support/demo_main_window_win.h"
#include "tests/support/message_answer_win.h"
#include "tests/support/scoped_seam.h"
#include "tests/support/test_folders_win.h"
#include "ui/behaviors/page_behaviors.h"
#include "ui/host/message_window_win.h"
#include "ui/main/diagnosis_page_texts.h"

namespace kestro {
namespace {

using namespace kestro::test;

constexpr wchar_t kForeignProvider[] = L"{3C2D9F4B-6A1E-4C8B-9F10-0D1E2F3A4B5C}";

// Every name resolves to 127.0.0.1 without a look-up, once the gate is open:
// a closed gate holds the diagnosis at its first check.
const UniqueHandle resolverGate(CreateEventW(nullptr, TRUE, TRUE, nullptr));
hostent* WSAAPI resolveToLoopback(const char*) {
  WaitForSingleObject(resolverGate.get(), INFINITE);
  static in_addr address{};
  address.s_addr = inet_addr("127.0.0.1");
  static char* addresses[] = {reinterpret_cast<char*>(&address), nullptr};
  static char* aliases[] = {nullptr};
  static char name[] = "loopback";
  static hostent entry{name, aliases, AF_INET, 4, addresses};
  return &entry;
}

StepRow checkRow(const wchar_t* title, const wchar_t* verdict, const wchar_t* detailClass = L"",
                 const std::wstring& detail = L"") {
  return {L"ARROW.PNG", title, verdict, detailClass, detail};
}

class DiagnosisPage : public DemoMainWindow {
 protected:
  void SetUp() override {
    DemoMainWindow::SetUp();
    registerPageBehaviors();
    resolver_->getHostByName = &resolveToLoopback;
    icmp_.script("127.0.0.1", {ScriptedEcho::reply(20)});
  }

  // Runs the main window while `steps` drive it; a diagnosis still running
  // when they end runs to its end first, so that its reports find the window.
  void runWith(const std::function<void(HWND)>& steps) {
    DemoMainWindow::runWith([&](HWND window) {
      steps(window);
      SetEvent(resolverGate.get());
      if (HWND message = FindWindowW(kMessageWindowClass, nullptr)) PostMessageW(message, WM_CLOSE, 0, 0);
      if (IsWindow(window)) waitUntil([&] { return !running(window); }, 30000);
    });
  }

  std::wstring style(HWND window, const wchar_t* id, const char* name) {
    std::wstring value;
    withPage(ui_, window, [&](const htmlayout::dom::element& root) { value = root.find_by_id(id).get_style_attribute(name); });
    return value;
  }
  bool hasAttribute(HWND window, const wchar_t* id, const char* name) {
    bool has = false;
    withPage(ui_, window, [&](const htmlayout::dom::element& root) { has = root.find_by_id(id).has_attribute(name); });
    return has;
  }

  // Which view of the page shows: the start view, or the running one with its
  // automatic (link report) or manual panel.
  void expectView(HWND window, const wchar_t* startView, const wchar_t* runView, const wchar_t* automaticPanel,
                  const wchar_t* manualPanel) {
    EXPECT_EQ(display(window, L"diagstartpage"), startView);
    EXPECT_EQ(display(window, L"diagingpage"), runView);
    EXPECT_EQ(display(window, L"diagingautopanel"), automaticPanel);
    EXPECT_EQ(display(window, L"diagingmanualpanel"), manualPanel);
  }

  // A diagnosis runs until its score is shown.
  bool running(HWND window) { return display(window, L"diagingpage") == L"block" && text(window, L"manualscore").empty(); }

  std::vector<StepRow> rows(HWND window) const { return stepRows(window, L"diagtable"); }

  ScriptedIcmp icmp_;
  ScopedSeam<HostResolverFunctions> resolver_{hostResolverFunctions()};
};

std::vector<StepRow> passedRows() {
  std::vector<StepRow> out;
  for (const wchar_t* title : {kSinaCheck.title, kBaiduCheck.title, kTrafficProgramsCheck.title,
                               kForeignProvidersCheck.title, kDriverFirewallCheck.title, kDialupClientsCheck.title})
    out.push_back(checkRow(title, L"OK.PNG"));
  return out;
}

TEST_F(DiagnosisPage, StartButtonRunsOneDiagnosisFillsTheTableAndShowsTheScore) {
  ScriptedProcesses processes({L"explorer.exe"});
  ScriptedCatalogue catalogue(baseCatalogue());
  ResetEvent(resolverGate.get());
  runWith([&](HWND window) {
    openTab(window, L"panel-id5");
    EXPECT_EQ(display(window, L"diagstartpage"), L"block");
    const POINT start = elementCentre(ui_, window, L"#btnstartdiag");
    click(window, L"#btnstartdiag", [&] { return display(window, L"diagingpage") == L"block"; });
    // A second press where the button was: the run goes on alone.
    ASSERT_TRUE(clickAt(window, start.x, start.y));

    // Held at its first check: one row, still waiting.
    expectView(window, L"none", L"block", L"none", L"block");
    EXPECT_EQ(rows(window), std::vector<StepRow>{checkRow(kSinaCheck.title, L"LOADING.GIF")});
    EXPECT_EQ(ClientState::instance().linkReportShown, 1);
    bool headerOfThreeEmptyCells = false;
    withPage(ui_, window, [&](const htmlayout::dom::element& root) {
      const htmlayout::dom::element table = root.find_by_id(L"diagtable");
      const htmlayout::dom::element header = table.child(0);
      headerOfThreeEmptyCells = table.get_attribute("fixlayout") == L"true" && header.children_count() == 3 &&
                                header.find_all(L"th").size() == 3 && header.text().empty();
    });
    EXPECT_TRUE(headerOfThreeEmptyCells);

    // While it runs a link report changes nothing, not even the tab.
    openTab(window, L"panel-id1");
    ClientState::instance().accelerating = 1;
    SendMessageW(window, WM_LINK_DEGRADED, 180, lossToReport(0.05f));
    ClientState::instance().accelerating = 0;
    EXPECT_EQ(shownPanel(window), L"panel-id1");
    EXPECT_EQ(display(window, L"diagingautopanel"), L"none");
    EXPECT_EQ(text(window, L"autopanellatency"), L"");

    SetEvent(resolverGate.get());
    ASSERT_TRUE(waitUntil([&] { return !text(window, L"manualscore").empty(); }, 60000));
    EXPECT_EQ(text(window, L"manualscore"), L"100分");
    EXPECT_EQ(text(window, L"autoscore"), L"100分");
    EXPECT_EQ(style(window, L"manualscore", "color"), L"#007c1c");
    EXPECT_EQ(rows(window).size(), 7u);
    std::vector<StepRow> checks = rows(window);
    checks.pop_back();
    EXPECT_EQ(checks, passedRows());
    EXPECT_EQ(style(window, L"btnbackdiag", "width"), L"125px");
    EXPECT_EQ(style(window, L"btnbackdiag", "background"), L"url(BTNBACK.PNG)");

    openTab(window, L"panel-id5");
    saveScreenshot("diagnosis-result");
    click(window, L"#btnbackdiag", [&] { return display(window, L"diagstartpage") == L"block"; });
    EXPECT_EQ(display(window, L"diagingpage"), L"none");
  });
  EXPECT_EQ(icmp_.opened(), 1);
  EXPECT_EQ(icmp_.calls().size(), 200u);
}

TEST_F(DiagnosisPage, ProblemsShowTheirParagraphsAndALowScoreInRed) {
  icmp_.script("127.0.0.1", {ScriptedEcho::reply(120)});
  ScriptedProcesses processes({L"thunder.exe", L"drvanti.exe", L"8021x.exe"});
  std::vector<WSAPROTOCOL_INFOW> entries = baseCatalogue();
  entries.push_back(catalogueEntry(kForeignProvider, L"Speedy LSP"));
  ScriptedCatalogue catalogue(entries);
  runWith([&](HWND window) {
    openTab(window, L"panel-id5");
    click(window, L"#btnstartdiag", [&] { return display(window, L"diagingpage") == L"block"; });
    ASSERT_TRUE(waitUntil([&] { return !text(window, L"manualscore").empty(); }, 60000));
    // 120 ms without loss is worth 13 points at each site; every scan found something.
    EXPECT_EQ(text(window, L"manualscore"), L"26分");
    EXPECT_EQ(style(window, L"manualscore", "color"), L"#ff0000");
    EXPECT_EQ(style(window, L"autoscore", "color"), L"#ff0000");
    const std::wstring advice =
        L"，已经超过大部分网络平均水平，如果您是通过路由器多人公用网络，请重启路由器后重试，如依然如此，请联系您的网络供应商";
    std::vector<StepRow> checks = rows(window);
    ASSERT_EQ(checks.size(), 7u);
    checks.pop_back();
    EXPECT_EQ(checks[0], checkRow(kSinaCheck.title, L"WARN.PNG", L"warn",
                                  L"连接到新浪网的服务器网络平均延时为120.0毫秒，丢包率为0.00%" + advice));
    EXPECT_EQ(checks[1], checkRow(kBaiduCheck.title, L"WARN.PNG", L"warn",
                                  L"连接到百度的服务器网络平均延时为120.0毫秒，丢包率为0.00%" + advice));
    EXPECT_EQ(checks[2], checkRow(kTrafficProgramsCheck.title, L"NO.PNG", L"error",
                                  L"检测到下列占用网络流量的程序正在运行中：\r\n迅雷\tthunder.exe\r\n"
                                  L"请彻底退出这些应用程序才能获得最佳的游戏加速效果"));
    EXPECT_EQ(checks[3], checkRow(kForeignProvidersCheck.title, L"NO.PNG", L"error",
                                  L"检测到下列LSP劫持：\r\nSpeedy LSP\r\n请立即使用LSP修复工具修复"));
    EXPECT_EQ(checks[4].status, L"NO.PNG");
    EXPECT_EQ(checks[5].status, L"NO.PNG");
    EXPECT_EQ(checks[5].detailClass, L"error");
    saveScreenshot("diagnosis-problems");
  });
  EXPECT_TRUE(catalogue.deinstalled().empty());
}

TEST_F(DiagnosisPage, LinkReportBringsTheWindowBackFromTheTrayOnTheDiagnosisTab) {
  ScriptedProcesses processes({L"explorer.exe"});
  ScriptedCatalogue catalogue(baseCatalogue());
  runWith([&](HWND window) {
    click(window, L"#btntray", [&] { return !IsWindowVisible(window); });
    // Link reports come from the monitor of a running acceleration.
    ClientState::instance().accelerating = 1;
    SendMessageW(window, WM_LINK_DEGRADED, 73, lossToReport(0.03f));
    ClientState::instance().accelerating = 0;
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_EQ(shownPanel(window), L"panel-id5");
    expectView(window, L"none", L"block", L"block", L"none");
    EXPECT_EQ(text(window, L"autopanellatency"), L"73.0");
    EXPECT_EQ(text(window, L"autopaneldroprate"), L"3.00");
    EXPECT_EQ(ClientState::instance().linkReportShown, 1);
    // The icon went with the window's return: there is none left to delete.
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = window;
    icon.uID = 102;
    EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &icon));

    ASSERT_TRUE(waitUntil([&] { return !text(window, L"autoscore").empty(); }, 60000));
    EXPECT_EQ(text(window, L"autoscore"), L"100分");
    saveScreenshot("diagnosis-automatic");
  });
}

TEST_F(DiagnosisPage, LspRepairWithOnlyTheBaseProvidersHasNothingToDoAndKeepsTheClient) {
  ScriptedCatalogue catalogue(baseCatalogue());
  bool stillOpen = false;
  runWith([&](HWND window) {
    openTab(window, L"panel-id5");
    clickForMessage(window, L"#btnfixlsp");
    EXPECT_EQ(text(window, L"btnfixlsp"), L"启动LSP修复");
    EXPECT_TRUE(hasAttribute(window, L"btnfixlsp", "disabled"));
    answerMessage(ui_, window, kNoForeignLsp, kMessageOk);
    ASSERT_TRUE(waitUntil([&] { return !hasAttribute(window, L"btnfixlsp", "disabled"); }, 5000));
    Sleep(500);
    stillOpen = IsWindow(window) && IsWindowVisible(window);
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(catalogue.deinstalled().empty());
}

TEST_F(DiagnosisPage, LspRepairThatRemovedProvidersStopsTheAccelerationAndClosesTheClient) {
  std::vector<WSAPROTOCOL_INFOW> entries = baseCatalogue();
  entries.insert(entries.begin() + 2, catalogueEntry(kForeignProvider, L"Speedy LSP"));
  ScriptedCatalogue catalogue(entries);
  const UniqueHandle stop = markAccelerating();
  bool closedItself = false;
  runWith([&](HWND window) {
    openTab(window, L"panel-id5");
    clickForMessage(window, L"#btnfixlsp");
    answerMessage(ui_, window, kLspRepaired, kMessageOk);
    closedItself = waitUntil([&] { return !IsWindow(window); }, 10000);
  });
  EXPECT_TRUE(closedItself);
  EXPECT_EQ(catalogue.deinstalled(), std::vector<std::wstring>{kForeignProvider});
  EXPECT_EQ(ClientState::instance().accelerating, 0);
  EXPECT_EQ(WaitForSingleObject(stop.get(), 0), WAIT_OBJECT_0);
}

// The repair ends the program the one way the exit question does: a start
// worker between its steps is told to stop, and the window waits for it.
TEST_F(DiagnosisPage, LspRepairEndsTheProgramOnlyAfterAStartWorkerBetweenItsStepsHasEnded) {
  std::vector<WSAPROTOCOL_INFOW> entries = baseCatalogue();
  entries.push_back(catalogueEntry(kForeignProvider, L"Speedy LSP"));
  ScriptedCatalogue catalogue(entries);
  ClientState& state = ClientState::instance();
  const uint32_t attempt = ++state.accelerationAttempt;
  state.startWorkerRunning = 1;
  bool workerWasTold = false;
  std::thread worker([&] {
    waitUntil([&] { return state.cancelledAttempt == attempt; }, 20000);
    workerWasTold = state.cancelledAttempt == attempt;
    Sleep(300);
    state.startWorkerRunning = 0;
  });
  bool closedBeforeTheWorkerEnded = true;
  runWith([&](HWND window) {
    openTab(window, L"panel-id5");
    clickForMessage(window, L"#btnfixlsp");
    answerMessage(ui_, window, kLspRepaired, kMessageOk);
    waitUntil([&] { return !IsWindow(window); }, 10000);
    closedBeforeTheWorkerEnded = state.startWorkerRunning != 0;
  });
  worker.join();
  EXPECT_TRUE(workerWasTold);
  EXPECT_FALSE(closedBeforeTheWorkerEnded);
}

// Without a worker thread no score would ever come: the page goes back to its
// start view and says so, and a later start runs.
TEST_F(DiagnosisPage, ADiagnosisWhoseThreadCannotStartReturnsToTheStartView) {
  ScriptedProcesses processes({L"explorer.exe"});
  ScriptedCatalogue catalogue(baseCatalogue());
  ScopedSeam starter(diagnosisStarter(), [] { return false; });
  runWith([&](HWND window) {
    openTab(window, L"panel-id5");
    clickForMessage(window, L"#btnstartdiag");
    answerMessage(ui_, window, kDiagnosisNotStarted, kMessageOk);
    EXPECT_EQ(display(window, L"diagstartpage"), L"block");
    EXPECT_EQ(display(window, L"diagingpage"), L"none");
    diagnosisStarter() = starter.original();
    click(window, L"#btnstartdiag", [&] { return display(window, L"diagingpage") == L"block"; });
    EXPECT_TRUE(waitUntil([&] { return !text(window, L"manualscore").empty(); }, 60000));
  });
}

TEST_F(DiagnosisPage, DecliningTheAdapterRemovalEnablesItsButtonAgain) {
  runWith([&](HWND window) {
    openTab(window, L"panel-id5");
    clickForMessage(window, L"#btnremovedriver");
    EXPECT_TRUE(hasAttribute(window, L"btnremovedriver", "disabled"));
    answerMessage(ui_, window, kAdapterRemovalQuestion, kMessageNo);
    EXPECT_TRUE(waitUntil([&] { return !hasAttribute(window, L"btnremovedriver", "disabled"); }, 5000));
  });
}

TEST_F(DiagnosisPage, AdapterRemovalThatCannotStartTheToolSaysWhy) {
  // A program folder without the driver tool: nothing can be removed from here.
  const ScratchFolder empty(L"kestro-no-tool");
  const CurrentFolder current(empty.path());
  runWith([&](HWND window) {
    openTab(window, L"panel-id5");
    clickForMessage(window, L"#btnremovedriver");
    answerMessage(ui_, window, kAdapterRemovalQuestion, kMessageYes);
    answerMessage(ui_, window,
                  adapterRemovalFailedText(driverToolFailureText(DriverToolOperation::Remove, DriverToolFailure::StartTool)),
                  kMessageOk);
    EXPECT_TRUE(waitUntil([&] { return !hasAttribute(window, L"btnremovedriver", "disabled"); }, 5000));
  });
}

}  // namespace
}  // namespace kestro
