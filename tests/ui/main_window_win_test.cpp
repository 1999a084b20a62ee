// The main window as a logged-in user meets it: real clicks on the test
// display, against the reference service and the nodes' loopback addresses
// that scripts/test starts.
#include "ui/main/main_window_win.h"

#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <vector>

#include "app/client_state.h"
#include "app/deployment.h"
#include "app/settings_store_win.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/text_convert.h"
#include "htmlayout/win32/window_host_win.h"
#include "nodes/latency_report.h"
#include "nodes/node_ranking.h"
#include "tests/support/demo_main_window_win.h"
#include "tests/support/message_answer_win.h"
#include "tests/support/registry_values_win.h"
#include "tests/support/scoped_seam.h"
#include "tests/support/service_url_win.h"
#include "tests/support/window_checks_win.h"
#include "ui/host/open_file_dialog_win.h"
#include "ui/host/shell_open_win.h"
#include "ui/main/game_filter.h"
#include "ui/main/main_window_texts.h"
#include "ui/main/tray_icon_win.h"

namespace kestro {
namespace {

using namespace kestro::test;

struct Opened {
  std::wstring verb;
  std::wstring file;
};
std::vector<Opened> opened;
HINSTANCE recordOpen(HWND, const wchar_t* verb, const wchar_t* file, int) {
  opened.push_back({verb ? verb : L"(default)", file});
  return reinterpret_cast<HINSTANCE>(33);
}

std::vector<std::wstring> desktopStarts;
bool recordDesktopStart(const wchar_t* program) {
  desktopStarts.push_back(program);
  return true;
}

std::vector<std::wstring> dialogTitles;
BOOL WINAPI answerWithGamePath(OPENFILENAMEW* request) {
  dialogTitles.push_back(request->lpstrTitle);
  EXPECT_EQ(std::wstring(request->lpstrFilter, 18), std::wstring(L"可执行文件(*.exe)\0*.exe", 18));
  EXPECT_STREQ(request->lpstrDefExt, L"exe");
  EXPECT_EQ(request->nMaxFile, 260u);
  wcscpy(request->lpstrFile, L"C:\\Games\\DNF\\DNF.exe");
  // A real dialog may leave the current directory where the user browsed.
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  SetCurrentDirectoryW(windows);
  return TRUE;
}

class MainWindow : public DemoMainWindow {
 protected:
  void SetUp() override {
    DemoMainWindow::SetUp();
    ASSERT_TRUE(referenceServiceAnswers());
    opened.clear();
    dialogTitles.clear();
  }

  size_t childCount(HWND window, const wchar_t* selector) {
    size_t count = 0;
    withPage(ui_, window, [&](const htmlayout::dom::element& root) {
      if (const htmlayout::dom::element found = root.find_first(selector); found.is_valid())
        count = found.children_count();
    });
    return count;
  }

  // Clicks the node tab and waits until the table is built and every node measured.
  void loadNodes(HWND window) {
    openTab(window, L"panel-id2");
    ASSERT_TRUE(waitUntil([&] { return display(window, L"btnautonode") == L"block"; }, 150000))
        << "the node list and its latencies never finished";
  }

  void loadGames(HWND window) {
    openTab(window, L"panel-id3");
    ASSERT_TRUE(waitUntil([&] { return display(window, L"txtgamefilter") == L"block"; }, 60000))
        << "the game list never arrived";
  }

  // A list is not fetched again within 30 minutes: its refresh link (hidden
  // meanwhile, shown here by force) answers with `refusal`.
  void expectRefreshRefused(HWND window, const wchar_t* link, const std::wstring& refusal,
                            const std::string& screenshot = {}) {
    ui_.run([&] {
      htmlayout::dom::element(htmlayout::HTMLayoutGetRootElement(window)).find_by_id(link).set_style_attribute("display", L"block");
    });
    clickForMessage(window, (L"#" + std::wstring(link)).c_str());
    answerMessage(ui_, window, refusal, kMessageOk, screenshot);
  }

  std::vector<std::wstring> gameEntryIds(HWND window) {
    std::vector<std::wstring> ids;
    withPage(ui_, window, [&](const htmlayout::dom::element& root) {
      for (const auto& link : root.find_first(L"#gamelist").find_all(L"widget")) ids.push_back(link.get_attribute("id"));
    });
    return ids;
  }

  static std::vector<std::wstring> entryIds(const std::vector<GameRecord>& games) {
    std::vector<std::wstring> ids;
    for (const GameRecord& game : games) ids.push_back(L"game" + std::to_wstring(game.id));
    return ids;
  }
};

TEST_F(MainWindow, OpensWithTheAccountBoxesAndTheAnnouncements) {
  ScopedSeam shell(shellSeam(), ShellSeam{&recordOpen});
  runWith([&](HWND window) {
    expectCentredAndRounded(window, 750, 489);
    expectDragStrip(window, {300, 10}, {300, 200});
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, L"泓迈网游加速器");
    EXPECT_EQ(text(window, L"txtexpiredate"), L"2027-06-30");
    EXPECT_EQ(text(window, L"txtleavedays"), L"204天");
    EXPECT_EQ(text(window, L"txtaccounttype"), L"国际网游加速服务");
    EXPECT_EQ(text(window, L"txtaccountstatus"), L"正常付费用户");
    EXPECT_EQ(text(window, L"txtipaddress"), L"127.0.0.1");
    EXPECT_EQ(text(window, L"txtipname"), L"本机回环地址（演示账户）");
    EXPECT_EQ(text(window, L"txtcurrentnode"), L"未选择");
    EXPECT_EQ(text(window, L"txtcurrentgame"), L"未选择");
    EXPECT_EQ(text(window, L"txtcurrentvoice"), L"不使用语音加速");
    EXPECT_EQ(display(window, L"diagstartpage"), L"block");
    EXPECT_EQ(display(window, L"diagingpage"), L"none");
    EXPECT_EQ(shownPanel(window), L"panel-id1");

    ASSERT_TRUE(waitUntil([&] { return childCount(window, L"#listserviceannounce") == 6; }, 20000));
    EXPECT_EQ(display(window, L"loadingannounce"), L"none");
    // In ascending id, whatever the order of the reply.
    std::vector<std::wstring> ids;
    withPage(ui_, window, [&](const htmlayout::dom::element& root) {
      for (const auto& link : root.find_first(L"#listserviceannounce").find_all(L"li>widget")) {
        ids.push_back(link.get_attribute("id"));
        EXPECT_EQ(link.get_attribute("class"), L"textlinkgray");
      }
    });
    EXPECT_EQ(ids, (std::vector<std::wstring>{L"linknews55", L"linknews57", L"linknews58", L"linknews60",
                                              L"linknews61", L"linknews63"}));
    EXPECT_EQ(text(window, L"linknews55"), L"新增香港国际线路节点，海外游戏延迟大幅降低");
    saveScreenshot("main-window");

    click(window, L"#linknews61", [&] {
      size_t count = 0;
      ui_.run([&] { count = opened.size(); });
      return count == 1;
    });
  });
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].verb, L"open");
  EXPECT_EQ(opened[0].file, webSiteAddress() + L"/Service/viewannounce/id/61.html");
}

TEST_F(MainWindow, AnnouncementFailureOffersARetryThatLoadsThem) {
  ServiceUrlOverride stopped(stoppedServiceUrl());
  runWith([&](HWND window) {
    ASSERT_TRUE(waitUntil([&] { return text(window, L"linkretryannounce") == L"获取服务公告失败，点击重试"; }, 20000));
    EXPECT_EQ(childCount(window, L"#listserviceannounce"), 0u);
    saveScreenshot("main-announcements-failed");
    stopped.restore();
    click(window, L"#linkretryannounce", [&] { return childCount(window, L"#listserviceannounce") == 6; });
    EXPECT_EQ(display(window, L"loadingannounce"), L"none");
  });
}

TEST_F(MainWindow, NodeTabLoadsTheTableAndChoosesNodes) {
  runWith([&](HWND window) {
    loadNodes(window);
    const auto nodes = ClientState::instance().nodes();
    ASSERT_EQ(nodes.size(), 60u) << "the reference data's 60 nodes";
    // A header row and one row per node, each latency measured or failed, none still loading.
    EXPECT_EQ(childCount(window, L"#nodelist>table"), nodes.size() + 1);
    withPage(ui_, window, [&](const htmlayout::dom::element& root) {
      const htmlayout::dom::element table = root.find_first(L"#nodelist>table");
      EXPECT_EQ(table.get_attribute("fixedrows"), L"1");
      EXPECT_EQ(table.child(0).child(0).text(), L"节点适合度");
      // Columns of 110, 105, 70, 70 and 70 pixels; the last takes the rest.
      const int widths[] = {110, 105, 70, 70, 70};
      for (unsigned i = 0; i < 5; ++i) EXPECT_EQ(table.child(0).child(i).get_location().width(), widths[i]) << i;
      for (const auto& [id, node] : nodes) {
        const htmlayout::dom::element latency = root.find_by_id(L"latency" + std::to_wstring(id));
        EXPECT_EQ(latency.children_count(), 0u) << id;
        EXPECT_FALSE(latency.text().empty()) << id;
        EXPECT_EQ(latency.get_attribute("value"), latencyCell(node.latency).value) << id;
        const htmlayout::dom::element bar = root.find_by_id(L"op" + std::to_wstring(id));
        EXPECT_EQ(bar.get_attribute("value"), node.scoreText) << id;
        EXPECT_EQ(bar.get_attribute("title"), node.category) << id;
        EXPECT_EQ(root.find_by_id(L"tdop" + std::to_wstring(id)).get_attribute("value"), node.restText) << id;
      }
    });
    EXPECT_EQ(display(window, L"linkrefreshnode"), L"none");
    EXPECT_EQ(display(window, L"linkrefreshlatency"), L"block");
    EXPECT_EQ(display(window, L"pgsnode"), L"none");
    saveScreenshot("main-node-panel");
    // In pixels: each text sits in the middle of its cell, across and down
    // (a text left at the top of a 28-pixel row is 6 pixels off). The list's
    // scroll bar covers the right of the last column: there only down.
    const WindowPixels pixels = windowPixels(ui_, window);
    for (int row = 2; row <= 4; ++row) {
      for (int column : {2, 3, 4, 6}) {
        const std::wstring cell = L"#nodelist>table>tr:nth-child(" + std::to_wstring(row) + L")>td:nth-child(" +
                                  std::to_wstring(column) + L")";
        RECT box = elementBox(ui_, window, cell.c_str());
        InflateRect(&box, -2, -2);  // clear of a current row's border
        if (column == 6) box.right = box.left + (box.right - box.left) * 3 / 4;
        const RECT ink = inkBox(pixels, box);
        SCOPED_TRACE(toUtf8(cell));
        ASSERT_LT(ink.left, ink.right) << "nothing drawn in the cell";
        if (column != 6) {
          EXPECT_NEAR((ink.left + ink.right) / 2.0, (box.left + box.right) / 2.0, 2.5);
        }
        EXPECT_NEAR((ink.top + ink.bottom) / 2.0, (box.top + box.bottom) / 2.0, 2.5);
      }
    }

    // An unreachable node sorts after every measured one; a report for a node
    // without a row changes nothing.
    PostMessageW(window, WM_NODE_LATENCY, 0, reinterpret_cast<LPARAM>(new LatencyReport{101, -5}));
    PostMessageW(window, WM_NODE_LATENCY, 0, reinterpret_cast<LPARAM>(new LatencyReport{4242, 12}));
    EXPECT_TRUE(waitUntil([&] { return text(window, L"latency101") == L"无法连接节点"; }, 5000));
    withPage(ui_, window, [&](const htmlayout::dom::element& root) {
      EXPECT_EQ(root.find_by_id(L"latency101").get_attribute("value"), L"999");
      EXPECT_EQ(root.find_by_id(L"op101").get_attribute("title"), L"不可用节点");
      EXPECT_EQ(root.find_by_id(L"op101").get_attribute("value"), L"0");
      EXPECT_EQ(root.find_by_id(L"tdop101").get_attribute("value"), L"100");
    });
    EXPECT_EQ(ClientState::instance().nodes().at(101).latency, -5);

    // Nothing highlighted yet.
    clickForMessage(window, L"#btnchecknode");
    answerMessage(ui_, window, L"尚未选则任何节点，请从节点列表中选择一个节点作为当前加速节点！", kMessageOk);

    // A row, then "使用选中节点".
    click(window, L"tr[value=\"104\"]", [&] {
      bool current = false;
      withPage(ui_, window, [&](const htmlayout::dom::element& root) {
        current = root.find_first(L"tr[value=\"104\"]").get_state(htmlayout::STATE_CURRENT);
      });
      return current;
    });
    click(window, L"#btnchecknode", [&] { return shownPanel(window) == L"panel-id1"; });
    EXPECT_EQ(text(window, L"txtcurrentnode"), L"浙江电信1区");
    EXPECT_EQ(settingsDword(L"NodeId"), 104u);
    EXPECT_EQ(settingsText(L"NodeName"), L"浙江电信1区");

    // A double click on a row chooses it at once.
    openTab(window, L"panel-id2");
    const POINT row = elementCentre(ui_, window, L"tr[value=\"102\"]");
    ASSERT_GE(row.x, 0);
    POINT screen = row;
    ClientToScreen(window, &screen);
    for (int attempt = 0; attempt < 3 && shownPanel(window) != L"panel-id1"; ++attempt) {
      runOnLinux("xdotool mousemove " + std::to_string(screen.x) + " " + std::to_string(screen.y) +
                 " sleep 0.3 click --repeat 2 --delay 80 1 sleep 0.3");
      waitUntil([&] { return shownPanel(window) == L"panel-id1"; }, 3000);
    }
    EXPECT_EQ(text(window, L"txtcurrentnode"), L"上海联通1区");
    EXPECT_EQ(settingsDword(L"NodeId"), 102u);

    // "自动选择节点": the best score, ties to the lower id.
    const int32_t best = chooseBestNode(ClientState::instance().nodes());
    openTab(window, L"panel-id2");
    if (best != 0) {
      click(window, L"#btnautonode", [&] { return shownPanel(window) == L"panel-id1"; });
      EXPECT_EQ(text(window, L"txtcurrentnode"), ClientState::instance().nodes().at(best).name);
      EXPECT_EQ(settingsDword(L"NodeId"), static_cast<DWORD>(best));
      openTab(window, L"panel-id2");
    }

    // The second visit of the tab starts no fetch; a new list is refused for 30 minutes.
    EXPECT_EQ(display(window, L"pgsnode"), L"none");
    expectRefreshRefused(window, L"linkrefreshnode", L"不能频繁进行刷新节点列表操作，还需要30分钟才能进行本操作！",
                         "message-node-refresh-limit");
    EXPECT_EQ(display(window, L"pgsnode"), L"none");

    // Latency can be measured again at once. On loopback the run may be over
    // before a look at its progress bar: a mark in a latency cell shows it ran.
    ui_.run([&] {
      htmlayout::dom::element(htmlayout::HTMLayoutGetRootElement(window)).find_by_id(L"latency101").set_text(L"?");
    });
    click(window, L"#linkrefreshlatency", [&] { return text(window, L"latency101") != L"?"; });
    EXPECT_TRUE(waitUntil([&] { return display(window, L"btnautonode") == L"block"; }, 150000));
  });
}

TEST_F(MainWindow, NodeFetchFailureOffersTheRefreshLink) {
  ServiceUrlOverride stopped(stoppedServiceUrl());
  runWith([&](HWND window) {
    openTab(window, L"panel-id2");
    answerMessage(ui_, window, L"网络连接失败，请确认您的网络连接正常后点击“刷新节点列表”重试！", kMessageOk,
                  "message-node-fetch-failed");
    EXPECT_EQ(display(window, L"linkrefreshnode"), L"block");
    EXPECT_EQ(display(window, L"btnautonode"), L"none");
    EXPECT_EQ(display(window, L"pgsnode"), L"none");
    // A failed run stamps no time: the retry is not limited.
    stopped.restore();
    click(window, L"#linkrefreshnode", [&] { return display(window, L"linkrefreshnode") == L"none"; });
    EXPECT_TRUE(waitUntil([&] { return childCount(window, L"#nodelist>table") == 61; }, 30000));
  });
}

TEST_F(MainWindow, GameListFiltersAndChoice) {
  runWith([&](HWND window) {
    loadGames(window);
    const auto games = ClientState::instance().games();
    ASSERT_EQ(games.size(), 600u) << "the reference data's 600 games";
    EXPECT_EQ(gameEntryIds(window), entryIds(gamesOfType(games, 0)));
    EXPECT_EQ(display(window, L"linkfiltergame4"), L"block");
    EXPECT_EQ(display(window, L"linkfiltergame8"), L"block");
    EXPECT_EQ(display(window, L"linkrefreshgame"), L"none");
    withPage(ui_, window, [&](const htmlayout::dom::element& root) {
      EXPECT_EQ(root.find_by_id(L"game1001").get_attribute("title"),
                L"\t缩写：dxcyys\r\n简称：DNF\r\n网址：" + games.at(1001).url + L"\r\n运营商：" + games.at(1001).vendor);
    });
    saveScreenshot("main-game-panel");

    click(window, L"#linkfiltergame8", [&] { return gameEntryIds(window) == entryIds(gamesOfType(games, 8)); });
    click(window, L"#linkfiltergame4", [&] { return gameEntryIds(window) == entryIds(gamesOfType(games, 4)); });

    auto lowered = games;
    const auto byD = entryIds(gamesByInitial(lowered, L'd'));
    click(window, L"#filtergame_d", [&] { return gameEntryIds(window) == byD; });
    EXPECT_EQ(ClientState::instance().games().at(1001).enName, L"dnf");

    ASSERT_TRUE(typeInto(ui_, window, elementCentre(ui_, window, L"#txtgamefilter").x,
                         elementCentre(ui_, window, L"#txtgamefilter").y, L"txtgamefilter", "QQ"));
    const auto byText = entryIds(gamesContaining(lowered, L"qq"));
    // QQ飞车 and QQ炫舞 by their abbreviations, 反恐精英 by its abbreviation fkjyqqgs.
    ASSERT_EQ(byText, (std::vector<std::wstring>{L"game1009", L"game1010", L"game1028"}));
    // Enter in the box searches; so does the button.
    EXPECT_TRUE(pressKeyUntil(window, "Return", [&] { return gameEntryIds(window) == byText; }))
        << "Enter in the search box did not search";
    saveScreenshot("main-game-search");
    click(window, L"#linkfiltergame", [&] { return gameEntryIds(window).size() == 600; });
    click(window, L"#btnfiltergame", [&] { return gameEntryIds(window) == byText; });

    click(window, L"#linkfiltergame", [&] { return gameEntryIds(window).size() == 600; });
    click(window, L"#game1003", [&] { return shownPanel(window) == L"panel-id1"; });
    EXPECT_EQ(text(window, L"txtcurrentgame"), L"穿越火线");
    EXPECT_EQ(settingsDword(L"GameId"), 1003u);
    EXPECT_EQ(settingsText(L"GameName"), L"穿越火线");

    // Within 30 minutes the list is not fetched again.
    openTab(window, L"panel-id3");
    expectRefreshRefused(window, L"linkrefreshgame", L"不能频繁进行刷新游戏列表操作，还需要30分钟才能进行本操作！");
    EXPECT_EQ(gameEntryIds(window).size(), 600u);
  });
}

TEST_F(MainWindow, DomesticAccountGetsNoTypeFilters) {
  ClientState::instance().setAccountType(4);
  runWith([&](HWND window) {
    loadGames(window);
    EXPECT_EQ(ClientState::instance().games().size(), 397u);
    EXPECT_EQ(gameEntryIds(window).size(), 397u);
    EXPECT_EQ(display(window, L"linkfiltergame"), L"block");
    EXPECT_EQ(display(window, L"linkfiltergame4"), L"none");
    EXPECT_EQ(display(window, L"linkfiltergame8"), L"none");
    EXPECT_EQ(text(window, L"txtaccounttype"), L"国内网游加速服务");
  });
}

TEST_F(MainWindow, VoiceChoiceAndNoVoice) {
  runWith([&](HWND window) {
    click(window, L"#btnselectvoice", [&] { return shownPanel(window) == L"panel-id4"; });
    saveScreenshot("main-voice-panel");
    click(window, L"#voice3", [&] { return shownPanel(window) == L"panel-id1"; });
    EXPECT_EQ(text(window, L"txtcurrentvoice"), L"IS语音");
    EXPECT_EQ(settingsDword(L"VoiceId"), 3u);
    EXPECT_EQ(settingsText(L"VoiceName"), L"IS语音");

    openTab(window, L"panel-id4");
    click(window, L"#btnnovoice", [&] { return shownPanel(window) == L"panel-id1"; });
    EXPECT_EQ(text(window, L"txtcurrentvoice"), L"不使用语音加速");
    EXPECT_EQ(settingsDword(L"VoiceId"), std::nullopt);
    EXPECT_EQ(settingsText(L"VoiceName"), std::nullopt);
  });
}

TEST_F(MainWindow, TheLastChoiceComesBackFromTheSettings) {
  saveNodeSelection(104, L"浙江电信1区");
  saveGameSelection(1001, L"地下城与勇士");
  saveVoiceSelection(8, L"网易CC");
  runWith([&](HWND window) {
    EXPECT_EQ(text(window, L"txtcurrentnode"), L"浙江电信1区");
    EXPECT_EQ(text(window, L"txtcurrentgame"), L"地下城与勇士");
    EXPECT_EQ(text(window, L"txtcurrentvoice"), L"网易CC");
    ui_.run([&] {
      const auto* main =
          dynamic_cast<CMainWindow*>(reinterpret_cast<HtmlWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA)));
      ASSERT_NE(main, nullptr);
      EXPECT_EQ(main->selectedNodeId, 104);
      EXPECT_EQ(main->selectedGameId, 1001);
      EXPECT_EQ(main->selectedVoiceId, 8);
    });
  });
}

TEST_F(MainWindow, RunGameAsksForTheExecutableFirstAndStartsItNextTime) {
  saveGameSelection(1001, L"地下城与勇士");
  ScopedSeam shell(shellSeam(), ShellSeam{&recordOpen, &recordDesktopStart});
  ScopedSeam dialog(openFileSeam());
  dialog->open = &answerWithGamePath;
  wchar_t before[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);
  runWith([&](HWND window) {
    // The run-game button belongs to the traffic view of a running acceleration.
    ui_.run([&] {
      const htmlayout::dom::element root(htmlayout::HTMLayoutGetRootElement(window));
      root.find_by_id(L"startacccontainer").set_style_attribute("display", L"none");
      root.find_by_id(L"accstatuscontainer").set_style_attribute("display", L"block");
    });
    click(window, L"#btnrungame", [&] { return settingsText(L"Game1001").has_value(); });
    EXPECT_TRUE(opened.empty()) << "the game was started before its path was known";
    click(window, L"#btnrungame", [&] {
      size_t count = 0;
      ui_.run([&] { count = desktopStarts.size(); });
      return count == 1;
    });
  });
  EXPECT_EQ(dialogTitles, std::vector<std::wstring>{L"请选择地下城与勇士运行文件"});
  wchar_t after[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_STREQ(after, before) << "the dialog's folder change is undone";
  EXPECT_EQ(settingsText(L"Game1001"), L"C:\\Games\\DNF\\DNF.exe");
  // Started as the desktop's user, not through this (elevated) program's shell call.
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(desktopStarts, std::vector<std::wstring>{L"C:\\Games\\DNF\\DNF.exe"});
}

// The real start: with the desktop shell's token where there is a shell
// window to take it from, else through the shell. Wine registers no shell
// window (GetShellWindow is null) and has no elevation: there the game starts
// through the shell, and the desktop start says it could not.
TEST(GameStart, TheGameRunsAsTheDesktopsUserOrElseThroughTheShell) {
  const std::string folder = "/tmp/kestro-ui-game-" + std::to_string(GetCurrentProcessId());
  const std::wstring hostFolder = hostPath(folder);
  CreateDirectoryW(hostFolder.c_str(), nullptr);
  const std::wstring game = hostFolder + L"\\Game.exe";
  ASSERT_TRUE(CopyFileW(hostPath(KESTRO_BINARY_DIR "/tests/ui/ui_test_patcher.exe").c_str(), game.c_str(), FALSE));
  const std::wstring note = hostFolder + L"\\patcher-started.txt";
  DeleteFileW(note.c_str());
  if (GetShellWindow() == nullptr) EXPECT_FALSE(startAsDesktopUser(game.c_str()));
  EXPECT_FALSE(startAsDesktopUser((hostFolder + L"\\Missing.exe").c_str()));
  startGame(nullptr, game);
  EXPECT_TRUE(waitUntil([&] { return GetFileAttributesW(note.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000))
      << "the game did not start";
  DeleteFileW(note.c_str());
  DeleteFileW(game.c_str());
  RemoveDirectoryW(hostFolder.c_str());
}

TEST_F(MainWindow, ExitQuestionNoKeepsTheWindowAndYesStopsTheAccelerationAndCloses) {
  const UniqueHandle stop = markAccelerating();
  ClientState& state = ClientState::instance();
  state.linkReportShown = 1;
  runWith([&](HWND window) {
    clickForMessage(window, L"#btnclose");
    answerMessage(ui_, window, L"是否退出泓迈网游加速器？", kMessageNo, "message-exit-question");
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(window) != FALSE; }, 5000));
    EXPECT_EQ(state.accelerating, 1);
    EXPECT_EQ(WaitForSingleObject(stop.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    clickForMessage(window, L"#btnclose");
    answerMessage(ui_, window, L"是否退出泓迈网游加速器？", kMessageYes);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(window); }, 10000));
  });
  EXPECT_EQ(state.accelerating, 0);
  EXPECT_EQ(state.linkReportShown, 0);
  EXPECT_EQ(state.stopEvent(), nullptr);
  EXPECT_EQ(WaitForSingleObject(stop.get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST_F(MainWindow, ExitQuestionClosedByItsOwnButtonExits) {
  runWith([&](HWND window) {
    clickForMessage(window, L"#btnclose");
    answerMessage(ui_, window, L"是否退出泓迈网游加速器？", kMessageClose);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(window); }, 10000));
  });
  EXPECT_EQ(WindowHandles::instance().mainWindow.load(), nullptr);
}

// The icon records the window hands to the shell, in order; the shell
// refuses additions while `refuseAdd` is set.
struct TrayShell {
  struct Call {
    DWORD message;
    NOTIFYICONDATAW record;
  };
  static std::mutex lock;
  static std::vector<Call> calls;
  static bool refuseAdd;
  static BOOL WINAPI notify(DWORD message, PNOTIFYICONDATAW record) {
    std::lock_guard<std::mutex> held(lock);
    calls.push_back({message, *record});
    return message == NIM_ADD && refuseAdd ? FALSE : TRUE;
  }
  static std::vector<Call> taken() {
    std::lock_guard<std::mutex> held(lock);
    return calls;
  }
};
std::mutex TrayShell::lock;
std::vector<TrayShell::Call> TrayShell::calls;
bool TrayShell::refuseAdd = false;

TEST_F(MainWindow, TheTrayIconExistsExactlyWhileTheWindowIsHidden) {
  ScopedSeam shell(notifyIconCall(), &TrayShell::notify);
  runWith([&](HWND window) {
    click(window, L"#btntray", [&] { return !IsWindowVisible(window); });
    auto calls = TrayShell::taken();
    ASSERT_EQ(calls.size(), 1u);
    const NOTIFYICONDATAW& icon = calls[0].record;
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(icon.cbSize, sizeof(NOTIFYICONDATAW));
    EXPECT_EQ(icon.hWnd, window);
    EXPECT_EQ(icon.uID, 102u);
    EXPECT_EQ(icon.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO));
    EXPECT_EQ(icon.uCallbackMessage, static_cast<UINT>(WM_TRAY_NOTIFY));
    EXPECT_STREQ(icon.szTip, L"泓迈网游加速器");
    EXPECT_STREQ(icon.szInfoTitle, L"提示");
    EXPECT_STREQ(icon.szInfo, L"泓迈网游加速器仍在运行中，双击任务栏图标即可恢复窗口");
    EXPECT_EQ(icon.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));

    // Explorer restarted: the icon comes back, the window stays hidden.
    SendMessageW(window, taskbarCreatedMessage(), 0, 0);
    calls = TrayShell::taken();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(calls[1].record.uID, 102u);
    EXPECT_STREQ(calls[1].record.szTip, L"泓迈网游加速器");
    EXPECT_FALSE(IsWindowVisible(window));

    // Restoring takes the icon away and brings the window to the front.
    PostMessageW(window, WM_TRAY_NOTIFY, 102, WM_LBUTTONDOWN);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
    calls = TrayShell::taken();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(calls[2].record.uID, 102u);
    EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == window; }, 5000));
    // Without a notification area the icon would be lost: the window stays.
    SendMessageW(window, taskbarCreatedMessage(), 0, 0);
    EXPECT_EQ(TrayShell::taken().size(), 3u) << "no icon is added while the window shows";

    // Shown by anything else (a message it owns, the diagnosis): the icon goes too.
    click(window, L"#btntray", [&] { return !IsWindowVisible(window); });
    ShowWindow(window, SW_SHOWNORMAL);
    calls = TrayShell::taken();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[4].message, static_cast<DWORD>(NIM_DELETE));

    // A shell that refuses the icon: the window is not hidden.
    TrayShell::refuseAdd = true;
    clickAt(window, elementCentre(ui_, window, L"#btntray").x, elementCentre(ui_, window, L"#btntray").y);
    EXPECT_TRUE(waitUntil([&] { return TrayShell::taken().size() == 6u; }, 5000));
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(window));
    TrayShell::refuseAdd = false;
  });
  // Closed while shown: nothing is left to remove.
  EXPECT_EQ(TrayShell::taken().size(), 6u);
}

TEST_F(MainWindow, HidesToTheTrayComesBackOnAButtonPressAndMinimises) {
  runWith([&](HWND window) {
    click(window, L"#btntray", [&] { return !IsWindowVisible(window); });
    // The shell reports the icon's mouse messages: moving over it restores nothing.
    PostMessageW(window, WM_TRAY_NOTIFY, 102, WM_MOUSEMOVE);
    Sleep(300);
    EXPECT_FALSE(IsWindowVisible(window));
    PostMessageW(window, WM_TRAY_NOTIFY, 102, WM_RBUTTONDOWN);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));

    click(window, L"#btntray", [&] { return !IsWindowVisible(window); });
    PostMessageW(window, WM_TRAY_NOTIFY, 102, WM_LBUTTONDOWN);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));

    click(window, L"#btnmin", [&] { return IsIconic(window) != FALSE; });
  });
}

}  // namespace
}  // namespace kestro
