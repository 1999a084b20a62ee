#include "ui/main/main_window_texts.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(AccountBox, LeaveDaysBelowOneShowZero) {
  const std::pair<int32_t, std::wstring> days[] = {{12, L"12天"}, {1, L"1天"}, {0, L"0天"}, {-3, L"0天"}};
  for (const auto& [count, text] : days) EXPECT_EQ(leaveDaysText(count), text) << count;
}

TEST(AccountBox, TypeAndStatusTexts) {
  EXPECT_EQ(accountTypeText(4), L"国内网游加速服务");
  EXPECT_EQ(accountTypeText(8), L"国际网游加速服务");
  EXPECT_EQ(accountTypeText(0), L"");
  EXPECT_EQ(accountTypeText(5), L"");
  const std::pair<int32_t, std::wstring> statuses[] = {{3, L"正常付费用户"}, {5, L"已过期请续费"}, {6, L"高级用户"},
                                                       {7, L"等待付费用户"}, {0, L""},             {1, L""},
                                                       {4, L""},             {8, L""}};
  for (const auto& [status, text] : statuses) EXPECT_EQ(accountStatusText(status), text) << status;
}

TEST(LatencyCellText, ProbeCodesSortAfterEveryMeasuredLatency) {
  struct Case {
    int32_t result;
    std::wstring text;
    std::wstring value;
  };
  const Case cases[] = {
      {-5, L"无法连接节点", L"999"}, {-4, L"测试延时失败", L"998"}, {-1, L"测试延时失败", L"998"},
      {0, L"0毫秒", L"0"},           {353, L"353毫秒", L"353"},     {-6, L"-6毫秒", L"-6"},
  };
  for (const Case& c : cases) {
    const LatencyCell cell = latencyCell(c.result);
    EXPECT_EQ(cell.text, c.text) << c.result;
    EXPECT_EQ(cell.value, c.value) << c.result;
  }
}

constexpr double kMinute = 1.0 / 1440.0;
constexpr double kSecond = 1.0 / 86400.0;

TEST(RefreshLimit, WholeMinutesRoundHalfASecondAwayFromZero) {
  const double then = 46000.25;
  EXPECT_EQ(elapsedWholeMinutes(then, then), 0);
  EXPECT_EQ(elapsedWholeMinutes(then, then + 12 * kMinute), 12);
  EXPECT_EQ(elapsedWholeMinutes(then, then + 12 * kMinute - 0.4 * kSecond), 12);
  EXPECT_EQ(elapsedWholeMinutes(then, then + 12 * kMinute - 0.6 * kSecond), 11);
  EXPECT_EQ(elapsedWholeMinutes(then, then + 59 * kSecond), 0);
  // A clock set back gives negative minutes, so the wait only grows.
  EXPECT_EQ(elapsedWholeMinutes(then, then - 2 * kMinute), -2);
}

TEST(RefreshLimit, TwelveMinutesLeaveEighteenToWait) {
  const double then = 46000.5;
  EXPECT_EQ(refreshRefusal(RefreshedList::Nodes, then, then + 12 * kMinute),
            L"不能频繁进行刷新节点列表操作，还需要18分钟才能进行本操作！");
  EXPECT_EQ(refreshRefusal(RefreshedList::Games, then, then),
            L"不能频繁进行刷新游戏列表操作，还需要30分钟才能进行本操作！");
  EXPECT_EQ(refreshRefusal(RefreshedList::Nodes, then, then + 29 * kMinute + 59 * kSecond),
            L"不能频繁进行刷新节点列表操作，还需要1分钟才能进行本操作！");
  EXPECT_EQ(refreshRefusal(RefreshedList::Nodes, then, then + 30 * kMinute), std::nullopt);
  EXPECT_EQ(refreshRefusal(RefreshedList::Games, then, then + 2.0), std::nullopt);
}

TEST(GameEntry, TooltipNamesAbbreviationShortNameSiteAndOperator) {
  GameRecord game;
  game.pyName = L"dxcyys";
  game.enName = L"DNF";
  game.url = L"http://127.0.0.1/Game/dnf.html";
  game.vendor = L"腾讯";
  EXPECT_EQ(gameTooltip(game), L"\t缩写：dxcyys\r\n简称：DNF\r\n网址：http://127.0.0.1/Game/dnf.html\r\n运营商：腾讯");
}

TEST(BestNode, NamesTheNodeAndBothFiguresOrOnlyTheMeasuredOne) {
  EXPECT_EQ(bestNodeText({104, 162, 38}, L"浙江电信1区"), L"本游戏实测最佳节点：浙江电信1区，加速后 38 毫秒（直连 162 毫秒）");
  EXPECT_EQ(bestNodeText({104, std::nullopt, 38}, L"节点104"), L"本游戏实测最佳节点：节点104，加速后 38 毫秒");
}

}  // namespace
}  // namespace kestro
