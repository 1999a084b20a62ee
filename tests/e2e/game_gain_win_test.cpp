// The gain shown to the user, measured in the test world by the real
// Kestro.exe: the game's server is slow and lossy directly and fast behind
// the node, and a server of the same game that is faster directly (a node of
// the world in the game's /28) is never shown as a gain. The figures, the
// time to the first accelerated one and the session kept for the game.
#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>

#include "base/text_convert.h"
#include "tests/e2e/end_to_end_fixture_win.h"
#include "tests/support/ui_driver_win.h"

namespace kestro {
namespace {

using namespace kestro::test;

constexpr int kNodeId = 104;
constexpr int kGameId = 1001;
// Under Wine an echo's time is taken when the probing thread next runs: on a
// busy machine it grows by tens of milliseconds, never shrinks.
constexpr int kSlackMs = 60;

// The number after `label` in a figure text ("直连 162 毫秒"); -1 when absent.
int figureAfter(const std::wstring& text, const wchar_t* label) {
  const size_t at = text.find(label);
  if (at == std::wstring::npos) return -1;
  const wchar_t* start = text.c_str() + at + std::wcslen(label);
  wchar_t* end = nullptr;
  const long value = std::wcstol(start, &end, 10);
  return end == start ? -1 : static_cast<int>(value);
}

// The line of `address` in the view's list of game servers.
std::wstring serverLine(HWND main, const std::string& address) {
  const std::wstring wanted = fromUtf8(address) + L"　";
  for (const PageItem& line : queryPage(main, "#gameserverlist div")) {
    if (line.text.starts_with(wanted)) return line.text;
  }
  return L"";
}

TEST_F(EndToEnd, TheGainIsMeasuredAndShown) {
  const auto server = gameServerPaths(*world_, kGameId, kNodeId);
  ASSERT_TRUE(server) << "no game server of game " << kGameId << " with an echo port in " << world_->dataFile;
  // The game's /28 holds a node of the world: the first host of that range.
  const auto fasterDirectly = std::find_if(nodes_.begin(), nodes_.end(), [](const WorldNode& n) { return n.id == 107; });
  const auto through = std::find_if(nodes_.begin(), nodes_.end(), [](const WorldNode& n) { return n.id == kNodeId; });
  ASSERT_TRUE(fasterDirectly != nodes_.end() && through != nodes_.end());
  ASSERT_EQ(fasterDirectly->address, "198.51.100.17");

  // The test run turns the echoes off for every other program (app/deployment.h).
  WorldProgram program(*world_, {}, {{"KESTRO_GAME_SERVER_ECHOES", "1"}});
  ASSERT_TRUE(program.started());
  const HWND main = mainWindowWithLatencies();
  ASSERT_NE(main, nullptr) << "no main window with every node's latency";
  ASSERT_NO_FATAL_FAILURE(chooseNode(main, *through));
  ASSERT_NO_FATAL_FAILURE(chooseGameAndVoice(main));
  EXPECT_FALSE(pageVisible(main, "#txtbestnode")) << "nothing measured for this game yet";

  const ULONGLONG started = GetTickCount64();
  ASSERT_TRUE(clickElement(main, "#btnstartacc", [&] { return pageVisible(main, "#accingcontainer") || runningView(main); }));
  const auto measured = [&] { return figureAfter(pageText(main, "#txtgamegain"), L"加速 ") >= 0; };
  ASSERT_TRUE(waitUntil(measured, 60000)) << "no accelerated figure: " << toUtf8(pageText(main, "#txtgamegain"));
  const double firstFigureSeconds = static_cast<double>(GetTickCount64() - started) / 1000.0;

  // A few rounds more, so that the figures rest on more than one.
  Sleep(7000);
  const std::wstring headline = pageText(main, "#txtgamegain");
  const std::wstring line = serverLine(main, server->address);
  const std::wstring slower = serverLine(main, fasterDirectly->address);
  std::printf("first accelerated figure %.1f s after the start\n%s\n%s\n%s\n", firstFigureSeconds,
              toUtf8(headline).c_str(), toUtf8(line).c_str(), toUtf8(slower).c_str());
  const int direct = figureAfter(line, L"直连 ");
  const int accelerated = figureAfter(line, L"加速 ");
  EXPECT_GE(direct, server->directMs - 3) << toUtf8(line);
  EXPECT_GE(accelerated, server->throughNodeMs - 3) << toUtf8(line);
  EXPECT_LE(accelerated, server->throughNodeMs + kSlackMs) << toUtf8(line);
  EXPECT_NE(line.find(L"降低 "), std::wstring::npos) << "a positive gain: " << toUtf8(line);
  EXPECT_EQ(figureAfter(headline, L"直连 "), direct) << "the headline speaks of the game's own server";
  // Through node 104 the other server is its own latency plus the node's.
  EXPECT_GE(figureAfter(slower, L"直连 "), fasterDirectly->latencyMs - 3) << toUtf8(slower);
  EXPECT_EQ(slower.find(L"降低"), std::wstring::npos) << "a server faster directly is no gain: " << toUtf8(slower);
  EXPECT_NE(slower.find(L"比直连慢"), std::wstring::npos) << toUtf8(slower);
  saveScreenshot("end-to-end-game-gain");

  ASSERT_TRUE(clickElement(main, "#linkstopacc", [&] { return pageVisible(main, "#startacccontainer"); }));
  const auto history = registryText(HKEY_CURRENT_USER, L"Software\\Kestro\\Settings", L"History1001");
  ASSERT_TRUE(history) << "the session was not kept";
  EXPECT_TRUE(history->starts_with(std::to_wstring(kNodeId) + L"," + std::to_wstring(direct) + L","))
      << toUtf8(*history);
  EXPECT_TRUE(waitUntil([&] { return pageVisible(main, "#txtbestnode"); }, 5000));
  EXPECT_EQ(pageText(main, "#txtbestnode").find(L"本游戏实测最佳节点：" + through->name), 0u)
      << toUtf8(pageText(main, "#txtbestnode"));
  saveScreenshot("end-to-end-best-node");
}

}  // namespace
}  // namespace kestro
