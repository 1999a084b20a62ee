// The diagnosis page of a real main window on the test display: the diagnosis
// worker runs for real, with its echoes, name look-ups, process list and
// Winsock catalogue scripted through their seams, so nothing leaves loopback
// and the machine's catalogue is never changed.
#include <winsock2.h>

#include "ui/main/main_window_win.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "accel/driver_tool.h"
#include "accel/link_report.h"
#include "app/client_state.h"
#include "app/window_messages.h"
#include "base/text_convert.h"
#include "diag/diagnosis_checks.h"
#include "diag/diagnosis_worker_win.h"
#include "diag/host_resolver_win.h"
#include "htmlayout/win32/window_host_win.h"
#include "tests/diag/scripted_scans_win.h"
#include "tests/nodes/scripted_icmp_win.h"
#include "tests/ui/ui_driver_win.h"
#include "ui/behaviors/page_behaviors.h"
#include "ui/login/login_window_win.h"
#include "ui/main/diagnosis_page_texts.h"

namespace kestro {
namespace {

using test::catalogueEntry;
using test::ScriptedCatalogue;
using test::ScriptedEcho;
using test::ScriptedIcmp;
using test::ScriptedProcesses;

constexpr wchar_t kMainClass[] = L"KestroMainWindow";
constexpr wchar_t kMessageClass[] = L"KestroMessageWindow";
// Client positions on the MESSAGE page: "是", and "否" or "确定" in one place.
constexpr POINT kMessageYes{40, 182}, kMessageNoOrOk{332, 182};
// The middle of a tab of the strip (83 pixels wide, 2 apart, from x 2, y 36 to 66).
POINT tabCentre(int tab) { return {2 + (tab - 1) * 85 + 41, 51}; }
constexpr POINT kTrayButton{666, 9};

const std::vector<WSAPROTOCOL_INFOW> kBaseCatalogue = {
    catalogueEntry(L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}", L"MSAFD Tcpip [TCP/IP]"),
    catalogueEntry(L"{F9EAB0C0-26D4-11D0-BBBF-00AA006C34E4}", L"MSAFD Tcpip [UDP/IP]"),
    catalogueEntry(L"{9D60A9E0-337A-11D0-BD88-0000C082E69A}", L"MSAFD Tcpip [RAW/IP]"),
    catalogueEntry(L"{8D5F1830-C273-11CF-95C8-00805F48A192}", L"RSVP TCP Service Provider"),
    catalogueEntry(L"{9FC48064-7298-43E4-B7BD-181F2089792A}", L"MSAFD Tcpip [TCP/IPv6]"),
};
constexpr wchar_t kForeignProvider[] = L"{3C2D9F4B-6A1E-4C8B-9F10-0D1E2F3A4B5C}";

// Every name resolves to 127.0.0.1 without a look-up, once the gate is open:
// a closed gate holds the diagnosis at its first check.
HANDLE resolverGate = nullptr;
hostent* WSAAPI resolveToLoopback(const char*) {
  WaitForSingleObject(resolverGate, INFINITE);
  static in_addr address{};
  address.s_addr = inet_addr("127.0.0.1");
  static char* addresses[] = {reinterpret_cast<char*>(&address), nullptr};
  static char* aliases[] = {nullptr};
  static char name[] = "loopback";
  static hostent entry{name, aliases, AF_INET, 4, addresses};
  return &entry;
}

// One row of the result table as the page holds it.
struct Row {
  std::wstring arrow;    // "src" of cell 1's picture
  std::wstring title;    // cell 2's own text
  std::wstring verdict;  // "src" of cell 3's picture
  std::wstring paragraphClass;
  std::wstring paragraph;

  bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
  return out << toUtf8(row.arrow + L"|" + row.title + L"|" + row.verdict + L"|" + row.paragraphClass + L"|" +
                       row.paragraph);
}

Row checkRow(const wchar_t* title, const wchar_t* verdict, const wchar_t* paragraphClass = L"",
             const std::wstring& paragraph = L"") {
  return {L"ARROW.PNG", title, verdict, paragraphClass, paragraph};
}

class DiagnosisPage : public testing::Test {
 protected:
  void SetUp() override {
    test::deleteSettingsKey();
    registerPageBehaviors();
    ClientState& state = ClientState::instance();
    state.loggedIn = 1;
    state.accelerating = 0;
    state.linkReportShown = 0;
    resolverGate = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    savedResolver_ = hostResolverFunctions();
    hostResolverFunctions().getHostByName = &resolveToLoopback;
    icmp_.script("127.0.0.1", {ScriptedEcho::reply(20)});
  }

  void TearDown() override {
    SetEvent(resolverGate);
    hostResolverFunctions() = savedResolver_;
    CloseHandle(resolverGate);
    test::deleteSettingsKey();
  }

  // Runs the main window on this thread while `steps` drive it; the window is
  // closed when they end, however they end.
  void runWith(const std::function<void(HWND)>& steps) {
    test::Driver driver([&] {
      HWND window = test::waitForVisibleWindow(kMainClass, 20000);
      ASSERT_NE(window, nullptr) << "the main window never showed";
      SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      steps(window);
      SetEvent(resolverGate);
      if (HWND message = FindWindowW(kMessageClass, nullptr)) PostMessageW(message, WM_CLOSE, 0, 0);
      if (IsWindow(window)) {
        // A running diagnosis ends first, so its reports find the window.
        test::waitUntil([&] { return !running(window); }, 30000);
        PostMessageW(window, WM_CLOSE, 0, 0);
      }
    });
    runMainWindow(GetModuleHandleW(nullptr));
  }

  void onPage(HWND window, const std::function<void(const htmlayout::dom::element& root)>& read) {
    ui_.run([&] { read(htmlayout::dom::element(htmlayout::HTMLayoutGetRootElement(window))); });
  }

  std::wstring text(HWND window, const wchar_t* id) { return test::elementText(ui_, window, id); }
  std::wstring display(HWND window, const wchar_t* id) { return test::elementDisplay(ui_, window, id); }
  std::wstring style(HWND window, const wchar_t* id, const char* name) {
    std::wstring value;
    onPage(window, [&](const htmlayout::dom::element& root) { value = root.find_by_id(id).get_style_attribute(name); });
    return value;
  }
  bool hasAttribute(HWND window, const wchar_t* id, const char* name) {
    bool has = false;
    onPage(window, [&](const htmlayout::dom::element& root) { has = root.find_by_id(id).has_attribute(name); });
    return has;
  }

  std::wstring shownPanel(HWND window) {
    std::wstring name;
    onPage(window, [&](const htmlayout::dom::element& root) {
      name = root.find_first(L"#tabview>[name][selected]").get_attribute("name");
    });
    return name;
  }

  // A diagnosis runs until its score is shown.
  bool running(HWND window) { return display(window, L"diagingpage") == L"block" && text(window, L"manualscore").empty(); }

  POINT centreOf(HWND window, const wchar_t* id) {
    POINT centre{-1, -1};
    onPage(window, [&](const htmlayout::dom::element& root) {
      const htmlayout::dom::element found = root.find_by_id(id);
      if (!found.is_valid()) return;
      const htmlayout::rect box = found.get_location();
      centre = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    });
    return centre;
  }

  void click(HWND window, POINT at, const std::function<bool()>& done, const char* what) {
    ASSERT_TRUE(test::clickUntil(window, at.x, at.y, done)) << "clicking " << what << " at " << at.x << "," << at.y
                                                            << " did nothing";
  }

  void openDiagnosisTab(HWND window) {
    click(window, tabCentre(5), [&] { return shownPanel(window) == L"panel-id5"; }, "the diagnosis tab");
  }

  // The rows of "diagtable" after its header row.
  std::vector<Row> rows(HWND window) {
    std::vector<Row> out;
    onPage(window, [&](const htmlayout::dom::element& root) {
      const htmlayout::dom::element table = root.find_by_id(L"diagresult").find_by_id(L"diagtable");
      for (unsigned index = 1; index < table.children_count(); ++index) {
        const htmlayout::dom::element row = table.child(index);
        Row seen;
        seen.arrow = row.child(0).child(0).get_attribute("src");
        const htmlayout::dom::element title = row.child(1);
        const htmlayout::dom::element paragraph = title.find_first(L"p");
        seen.title = title.text();
        if (paragraph.is_valid()) {
          seen.paragraphClass = paragraph.get_attribute("class");
          seen.paragraph = paragraph.text();
          seen.title = seen.title.substr(0, seen.title.size() - seen.paragraph.size());
        }
        seen.verdict = row.child(2).child(0).get_attribute("src");
        out.push_back(seen);
      }
    });
    return out;
  }

  // Waits for the message window, checks its text and leaves it with `button`.
  void answerMessage(HWND owner, const std::wstring& expected, POINT button) {
    HWND message = test::waitForVisibleWindow(kMessageClass, 20000);
    ASSERT_NE(message, nullptr) << "no message window";
    EXPECT_EQ(text(message, L"txtmessage"), expected);
    EXPECT_FALSE(IsWindowEnabled(owner));
    ASSERT_TRUE(test::clickUntil(message, button.x, button.y, [&] { return !IsWindow(message); }));
  }

  ScriptedIcmp icmp_;
  test::UiThreadCall ui_;
  HostResolverFunctions savedResolver_;
};

std::vector<Row> passedRows() {
  std::vector<Row> out;
  for (const wchar_t* title : {kSinaCheck.title, kBaiduCheck.title, kTrafficProgramsCheck.title,
                               kForeignProvidersCheck.title, kDriverFirewallCheck.title, kDialupClientsCheck.title})
    out.push_back(checkRow(title, L"OK.PNG"));
  return out;
}

TEST_F(DiagnosisPage, StartButtonRunsOneDiagnosisFillsTheTableAndShowsTheScore) {
  ScriptedProcesses processes({L"explorer.exe"});
  ScriptedCatalogue catalogue(kBaseCatalogue);
  ResetEvent(resolverGate);
  runWith([&](HWND window) {
    openDiagnosisTab(window);
    EXPECT_EQ(display(window, L"diagstartpage"), L"block");
    const POINT start = centreOf(window, L"btnstartdiag");
    click(window, start, [&] { return display(window, L"diagingpage") == L"block"; }, "the start button");
    // A second press where the button was: the run goes on alone.
    ASSERT_TRUE(test::clickAt(window, start.x, start.y));

    // Held at its first check: one row, still waiting.
    EXPECT_EQ(display(window, L"diagstartpage"), L"none");
    EXPECT_EQ(display(window, L"diagingmanualpanel"), L"block");
    EXPECT_EQ(display(window, L"diagingautopanel"), L"none");
    EXPECT_EQ(rows(window), std::vector<Row>{checkRow(kSinaCheck.title, L"LOADING.GIF")});
    EXPECT_EQ(ClientState::instance().linkReportShown, 1);
    bool headerOfThreeEmptyCells = false;
    onPage(window, [&](const htmlayout::dom::element& root) {
      const htmlayout::dom::element table = root.find_by_id(L"diagtable");
      const htmlayout::dom::element header = table.child(0);
      headerOfThreeEmptyCells = table.get_attribute("fixlayout") == L"true" && header.children_count() == 3 &&
                                header.find_all(L"th").size() == 3 && header.text().empty();
    });
    EXPECT_TRUE(headerOfThreeEmptyCells);

    // While it runs a link report changes nothing, not even the tab.
    click(window, tabCentre(1), [&] { return shownPanel(window) == L"panel-id1"; }, "the acceleration tab");
    ClientState::instance().accelerating = 1;
    SendMessageW(window, WM_LINK_DEGRADED, 180, lossToReport(0.05f));
    ClientState::instance().accelerating = 0;
    EXPECT_EQ(shownPanel(window), L"panel-id1");
    EXPECT_EQ(display(window, L"diagingautopanel"), L"none");
    EXPECT_EQ(text(window, L"autopanellatency"), L"");

    SetEvent(resolverGate);
    ASSERT_TRUE(test::waitUntil([&] { return !text(window, L"manualscore").empty(); }, 60000));
    EXPECT_EQ(text(window, L"manualscore"), L"100分");
    EXPECT_EQ(text(window, L"autoscore"), L"100分");
    EXPECT_EQ(style(window, L"manualscore", "color"), L"#007c1c");
    EXPECT_EQ(rows(window).size(), 7u);
    std::vector<Row> checks = rows(window);
    checks.pop_back();
    EXPECT_EQ(checks, passedRows());
    EXPECT_EQ(style(window, L"btnbackdiag", "width"), L"125px");
    EXPECT_EQ(style(window, L"btnbackdiag", "background"), L"url(BTNBACK.PNG)");

    openDiagnosisTab(window);
    test::saveScreenshot("diagnosis-result");
    click(window, centreOf(window, L"btnbackdiag"), [&] { return display(window, L"diagstartpage") == L"block"; },
          "the back button");
    EXPECT_EQ(display(window, L"diagingpage"), L"none");
  });
  EXPECT_EQ(icmp_.opened(), 1);
  EXPECT_EQ(icmp_.calls().size(), 200u);
}

TEST_F(DiagnosisPage, ProblemsShowTheirParagraphsAndALowScoreInRed) {
  icmp_.script("127.0.0.1", {ScriptedEcho::reply(120)});
  ScriptedProcesses processes({L"thunder.exe", L"drvanti.exe", L"8021x.exe"});
  std::vector<WSAPROTOCOL_INFOW> entries = kBaseCatalogue;
  entries.push_back(catalogueEntry(kForeignProvider, L"Speedy LSP"));
  ScriptedCatalogue catalogue(entries);
  runWith([&](HWND window) {
    openDiagnosisTab(window);
    click(window, centreOf(window, L"btnstartdiag"), [&] { return display(window, L"diagingpage") == L"block"; },
          "the start button");
    ASSERT_TRUE(test::waitUntil([&] { return !text(window, L"manualscore").empty(); }, 60000));
    // 120 ms without loss is worth 13 points at each site; every scan found something.
    EXPECT_EQ(text(window, L"manualscore"), L"26分");
    EXPECT_EQ(style(window, L"manualscore", "color"), L"#ff0000");
    EXPECT_EQ(style(window, L"autoscore", "color"), L"#ff0000");
    const std::wstring advice =
        L"，已经超过大部分网络平均水平，如果您是通过路由器多人公用网络，请重启路由器后重试，如依然如此，请联系您的网络供应商";
    std::vector<Row> checks = rows(window);
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
    EXPECT_EQ(checks[4].verdict, L"NO.PNG");
    EXPECT_EQ(checks[5].verdict, L"NO.PNG");
    EXPECT_EQ(checks[5].paragraphClass, L"error");
    test::saveScreenshot("diagnosis-problems");
  });
  EXPECT_TRUE(catalogue.deinstalled().empty());
}

TEST_F(DiagnosisPage, LinkReportBringsTheWindowBackFromTheTrayOnTheDiagnosisTab) {
  ScriptedProcesses processes({L"explorer.exe"});
  ScriptedCatalogue catalogue(kBaseCatalogue);
  runWith([&](HWND window) {
    click(window, kTrayButton, [&] { return !IsWindowVisible(window); }, "the tray button");
    // Link reports come from the monitor of a running acceleration.
    ClientState::instance().accelerating = 1;
    SendMessageW(window, WM_LINK_DEGRADED, 73, lossToReport(0.03f));
    ClientState::instance().accelerating = 0;
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_EQ(shownPanel(window), L"panel-id5");
    EXPECT_EQ(display(window, L"diagstartpage"), L"none");
    EXPECT_EQ(display(window, L"diagingpage"), L"block");
    EXPECT_EQ(display(window, L"diagingautopanel"), L"block");
    EXPECT_EQ(display(window, L"diagingmanualpanel"), L"none");
    EXPECT_EQ(text(window, L"autopanellatency"), L"73.0");
    EXPECT_EQ(text(window, L"autopaneldroprate"), L"3.00");
    EXPECT_EQ(ClientState::instance().linkReportShown, 1);
    // The icon went with the window's return: there is none left to delete.
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = window;
    icon.uID = 102;
    EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &icon));

    ASSERT_TRUE(test::waitUntil([&] { return !text(window, L"autoscore").empty(); }, 60000));
    EXPECT_EQ(text(window, L"autoscore"), L"100分");
    test::saveScreenshot("diagnosis-automatic");
  });
}

TEST_F(DiagnosisPage, LspRepairWithOnlyTheBaseProvidersHasNothingToDoAndKeepsTheClient) {
  ScriptedCatalogue catalogue(kBaseCatalogue);
  bool stillOpen = false;
  runWith([&](HWND window) {
    openDiagnosisTab(window);
    click(window, centreOf(window, L"btnfixlsp"),
          [&] { return FindWindowW(kMessageClass, nullptr) != nullptr; }, "the LSP repair button");
    EXPECT_EQ(test::elementText(ui_, window, L"btnfixlsp"), L"启动LSP修复");
    EXPECT_TRUE(hasAttribute(window, L"btnfixlsp", "disabled"));
    answerMessage(window, kNoForeignLsp, kMessageNoOrOk);
    ASSERT_TRUE(test::waitUntil([&] { return !hasAttribute(window, L"btnfixlsp", "disabled"); }, 5000));
    Sleep(500);
    stillOpen = IsWindow(window) && IsWindowVisible(window);
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(catalogue.deinstalled().empty());
}

TEST_F(DiagnosisPage, LspRepairThatRemovedProvidersStopsTheAccelerationAndClosesTheClient) {
  std::vector<WSAPROTOCOL_INFOW> entries = kBaseCatalogue;
  entries.insert(entries.begin() + 2, catalogueEntry(kForeignProvider, L"Speedy LSP"));
  ScriptedCatalogue catalogue(entries);
  ClientState& state = ClientState::instance();
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE given = nullptr;
  DuplicateHandle(GetCurrentProcess(), stop, GetCurrentProcess(), &given, 0, FALSE, DUPLICATE_SAME_ACCESS);
  state.setStopEvent(given);
  state.accelerating = 1;
  bool closedItself = false;
  runWith([&](HWND window) {
    openDiagnosisTab(window);
    click(window, centreOf(window, L"btnfixlsp"),
          [&] { return FindWindowW(kMessageClass, nullptr) != nullptr; }, "the LSP repair button");
    answerMessage(window, kLspRepaired, kMessageNoOrOk);
    closedItself = test::waitUntil([&] { return !IsWindow(window); }, 10000);
  });
  EXPECT_TRUE(closedItself);
  EXPECT_EQ(catalogue.deinstalled(), std::vector<std::wstring>{kForeignProvider});
  EXPECT_EQ(state.accelerating, 0);
  EXPECT_EQ(WaitForSingleObject(stop, 0), WAIT_OBJECT_0);
  CloseHandle(stop);
}

// The repair ends the program the one way the exit question does: a start
// worker between its steps is told to stop, and the window waits for it.
TEST_F(DiagnosisPage, LspRepairEndsTheProgramOnlyAfterAStartWorkerBetweenItsStepsHasEnded) {
  std::vector<WSAPROTOCOL_INFOW> entries = kBaseCatalogue;
  entries.push_back(catalogueEntry(kForeignProvider, L"Speedy LSP"));
  ScriptedCatalogue catalogue(entries);
  ClientState& state = ClientState::instance();
  const uint32_t attempt = ++state.accelerationAttempt;
  state.startWorkerRunning = 1;
  bool workerWasTold = false;
  std::thread worker([&] {
    test::waitUntil([&] { return state.cancelledAttempt == attempt; }, 20000);
    workerWasTold = state.cancelledAttempt == attempt;
    Sleep(300);
    state.startWorkerRunning = 0;
  });
  bool closedBeforeTheWorkerEnded = true;
  runWith([&](HWND window) {
    openDiagnosisTab(window);
    click(window, centreOf(window, L"btnfixlsp"),
          [&] { return FindWindowW(kMessageClass, nullptr) != nullptr; }, "the LSP repair button");
    answerMessage(window, kLspRepaired, kMessageNoOrOk);
    test::waitUntil([&] { return !IsWindow(window); }, 10000);
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
  ScriptedCatalogue catalogue(kBaseCatalogue);
  const std::function<bool()> realStarter = diagnosisStarter();
  diagnosisStarter() = [] { return false; };
  runWith([&](HWND window) {
    openDiagnosisTab(window);
    click(window, centreOf(window, L"btnstartdiag"),
          [&] { return FindWindowW(kMessageClass, nullptr) != nullptr; }, "the start button");
    answerMessage(window, kDiagnosisNotStarted, kMessageNoOrOk);
    EXPECT_EQ(display(window, L"diagstartpage"), L"block");
    EXPECT_EQ(display(window, L"diagingpage"), L"none");
    diagnosisStarter() = realStarter;
    click(window, centreOf(window, L"btnstartdiag"), [&] { return display(window, L"diagingpage") == L"block"; },
          "the start button again");
    EXPECT_TRUE(test::waitUntil([&] { return !text(window, L"manualscore").empty(); }, 60000));
  });
  diagnosisStarter() = realStarter;
}

TEST_F(DiagnosisPage, DecliningTheAdapterRemovalEnablesItsButtonAgain) {
  runWith([&](HWND window) {
    openDiagnosisTab(window);
    click(window, centreOf(window, L"btnremovedriver"),
          [&] { return FindWindowW(kMessageClass, nullptr) != nullptr; }, "the adapter removal button");
    EXPECT_TRUE(hasAttribute(window, L"btnremovedriver", "disabled"));
    answerMessage(window, kAdapterRemovalQuestion, kMessageNoOrOk);
    EXPECT_TRUE(test::waitUntil([&] { return !hasAttribute(window, L"btnremovedriver", "disabled"); }, 5000));
  });
}

TEST_F(DiagnosisPage, AdapterRemovalThatCannotStartTheToolSaysWhy) {
  // A folder without the driver tool: nothing can be removed from here.
  const std::filesystem::path empty = std::filesystem::temp_directory_path() / ("kestro-no-tool-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(empty);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(empty);
  runWith([&](HWND window) {
    openDiagnosisTab(window);
    click(window, centreOf(window, L"btnremovedriver"),
          [&] { return FindWindowW(kMessageClass, nullptr) != nullptr; }, "the adapter removal button");
    answerMessage(window, kAdapterRemovalQuestion, kMessageYes);
    answerMessage(window,
                  adapterRemovalFailedText(driverToolFailureText(DriverToolOperation::Remove, DriverToolFailure::StartTool)),
                  kMessageNoOrOk);
    EXPECT_TRUE(test::waitUntil([&] { return !hasAttribute(window, L"btnremovedriver", "disabled"); }, 5000));
  });
  std::filesystem::current_path(before);
  std::filesystem::remove_all(empty);
}

}  // namespace
}  // namespace kestro
