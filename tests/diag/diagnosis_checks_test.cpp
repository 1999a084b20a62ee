#include "diag/diagnosis_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nodes/echo_tally.h"

namespace kestro {
namespace {

// What the hundred-echo probe reports when `lost` of its 100 requests got no
// answer (its loss is a 32-bit float) and the others averaged `averageMs`.
LinkQuality measured(float averageMs, int lost) {
  std::vector<EchoOutcome> echoes(100, EchoOutcome{true, 1});
  for (int i = 0; i < lost; ++i) echoes[i] = EchoOutcome{};
  LinkQuality quality = linkQualityFrom(echoes);
  quality.averageMs = averageMs;
  return quality;
}

TEST(WebSiteVerdict, ScoresLatencyAndLoss) {
  const struct {
    float latency;
    int lost;
    DiagStatus status;
    int32_t points;
  } cases[] = {
      {80.0f, 0, DiagStatus::ok, 20},
      {12.0f, 0, DiagStatus::ok, 20},
      {80.1f, 0, DiagStatus::warn, 19},
      {100.0f, 0, DiagStatus::warn, 16},
      {140.0f, 0, DiagStatus::warn, 10},
      {199.9f, 0, DiagStatus::warn, 0},
      {200.0f, 0, DiagStatus::warn, 0},
      {250.0f, 0, DiagStatus::warn, 0},
      // The loss factor: one lost request keeps 0.8 (not 0.6), four keep 0.2.
      {100.0f, 1, DiagStatus::warn, 12},
      {110.0f, 2, DiagStatus::warn, 9},
      {100.0f, 3, DiagStatus::warn, 6},
      {100.0f, 4, DiagStatus::warn, 3},
      {100.0f, 5, DiagStatus::warn, 0},
      {10.0f, 5, DiagStatus::warn, 0},
      {10.0f, 60, DiagStatus::warn, 0},
      // At 80 ms or less the base stays at 20 before the loss factor.
      {80.0f, 1, DiagStatus::warn, 16},
      {20.0f, 1, DiagStatus::warn, 16},
      {20.0f, 2, DiagStatus::warn, 12},
      {20.0f, 3, DiagStatus::warn, 8},
      {20.0f, 4, DiagStatus::warn, 4},
      {0.0f, 1, DiagStatus::warn, 16},
  };
  for (const auto& c : cases) {
    const CheckVerdict verdict = linkQualityVerdict(kSinaCheck, measured(c.latency, c.lost));
    EXPECT_EQ(verdict.status, c.status) << c.latency << " ms, " << c.lost << " lost";
    EXPECT_EQ(verdict.points, c.points) << c.latency << " ms, " << c.lost << " lost";
  }
}

TEST(WebSiteVerdict, NeverGivesMoreThanTwentyPoints) {
  for (int latency = 0; latency <= 250; ++latency) {
    for (int lost = 0; lost <= 6; ++lost) {
      EXPECT_LE(latencyScore(static_cast<float>(latency), measured(0.0f, lost).loss), kWebSitePoints);
      EXPECT_GE(latencyScore(static_cast<float>(latency), measured(0.0f, lost).loss), 0);
    }
  }
}

TEST(WebSiteVerdict, ShowsLatencyAndLossOfTheSiteItChecked) {
  EXPECT_EQ(linkQualityVerdict(kSinaCheck, measured(120.0f, 3)).detail,
            L"连接到新浪网的服务器网络平均延时为120.0毫秒，丢包率为3.00%，已经超过大部分网络平均水平，"
            L"如果您是通过路由器多人公用网络，请重启路由器后重试，如依然如此，请联系您的网络供应商");
  EXPECT_EQ(linkQualityVerdict(kBaiduCheck, measured(80.1f, 0)).detail,
            L"连接到百度的服务器网络平均延时为80.1毫秒，丢包率为0.00%，已经超过大部分网络平均水平，"
            L"如果您是通过路由器多人公用网络，请重启路由器后重试，如依然如此，请联系您的网络供应商");
  EXPECT_TRUE(linkQualityVerdict(kBaiduCheck, measured(30.0f, 0)).detail.empty());
}

TEST(WebSiteVerdict, ALinkThatAnsweredNothingWarnsWithTheProbesLatencyAndFullLoss) {
  const LinkQuality silent = linkQualityFrom(std::vector<EchoOutcome>(100));
  ASSERT_EQ(silent.averageMs, kSilentLinkLatencyMs);
  const CheckVerdict verdict = linkQualityVerdict(kSinaCheck, silent);
  EXPECT_EQ(verdict.status, DiagStatus::warn);
  EXPECT_EQ(verdict.points, 0);
  EXPECT_EQ(verdict.detail,
            L"连接到新浪网的服务器网络平均延时为1000.0毫秒，丢包率为100.00%，已经超过大部分网络平均水平，"
            L"如果您是通过路由器多人公用网络，请重启路由器后重试，如依然如此，请联系您的网络供应商");
}

TEST(WebSiteVerdict, NamesTheSiteWhenItCannotBeReached) {
  const struct {
    CheckVerdict verdict;
    const wchar_t* detail;
  } cases[] = {
      {unresolvedVerdict(kSinaCheck), L"无法对新浪网域名进行解析，请检查您的DNS设置以及DNS服务器是否正常"},
      {unresolvedVerdict(kBaiduCheck), L"无法对百度域名进行解析，请检查您的DNS设置以及DNS服务器是否正常"},
      {unreachableVerdict(kSinaCheck), L"连接新浪网服务器遇到异常错误，请查看后续的LSP劫持检查"},
      {unreachableVerdict(kBaiduCheck), L"连接百度服务器遇到异常错误，请查看后续的LSP劫持检查"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.verdict.status, DiagStatus::error);
    EXPECT_EQ(c.verdict.detail, c.detail);
    EXPECT_EQ(c.verdict.points, 0);
  }
}

TEST(ScanVerdict, FailsWarnsFindsErrsOrPasses) {
  const ScanOutcome failed{false, false, L""};
  const ScanOutcome clean{true, false, L""};
  const struct {
    const ScanCheck& check;
    ScanOutcome outcome;
    DiagStatus status;
    const wchar_t* detail;
    int32_t points;
  } cases[] = {
      {kTrafficProgramsCheck, failed, DiagStatus::warn, L"检查后台进程失败，请确认您具有计算机管理员权限", 0},
      {kForeignProvidersCheck, failed, DiagStatus::warn, L"检查LSP网络劫持失败，请确认您具有计算机管理员权限", 0},
      {kDriverFirewallCheck, failed, DiagStatus::warn, L"检查驱动防火墙失败，请确认您具有计算机管理员权限", 0},
      {kDialupClientsCheck, failed, DiagStatus::warn, L"检查第三方拨号客户端失败，请确认您具有计算机管理员权限", 0},
      {kTrafficProgramsCheck, clean, DiagStatus::ok, L"", 15},
      {kForeignProvidersCheck, clean, DiagStatus::ok, L"", 15},
      {kDriverFirewallCheck, clean, DiagStatus::ok, L"", 15},
      {kDialupClientsCheck, clean, DiagStatus::ok, L"", 15},
      {kTrafficProgramsCheck, {true, true, L"迅雷\tthunder.exe\r\n迅雷\tthunder.exe\r\n"}, DiagStatus::error,
       L"检测到下列占用网络流量的程序正在运行中：\r\n迅雷\tthunder.exe\r\n迅雷\tthunder.exe\r\n"
       L"请彻底退出这些应用程序才能获得最佳的游戏加速效果",
       0},
      {kForeignProvidersCheck, {true, true, L"Foreign LSP\r\n"}, DiagStatus::error,
       L"检测到下列LSP劫持：\r\nForeign LSP\r\n请立即使用LSP修复工具修复", 0},
      {kDriverFirewallCheck, {true, true, L""}, DiagStatus::error,
       L"检测到驱动防火墙运行中，请确认已将Kestro.sys泓迈网游加速器虚拟网卡驱动文件列入驱动防火墙白名单", 0},
      {kDialupClientsCheck, {true, true, L"锐捷拨号客户端\t8021x.exe\r\n"}, DiagStatus::error,
       L"检测到第三方拨号客户端运行中：\r\n锐捷拨号客户端\t8021x.exe\r\n"
       L"请确认使用的为允许多网卡通讯的拨号客户端版本，否则泓迈网游加速器虚拟网卡将被该拨号客户端禁止通讯",
       0},
  };
  for (const auto& c : cases) {
    const CheckVerdict verdict = scanVerdict(c.check, c.outcome);
    EXPECT_EQ(verdict.status, c.status) << c.check.title;
    EXPECT_EQ(verdict.detail, c.detail) << c.check.title;
    EXPECT_EQ(verdict.points, c.points) << c.check.title;
  }
}

}  // namespace
}  // namespace kestro
