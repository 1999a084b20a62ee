#include "diag/diagnosis_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestro {

const WebSiteCheck kSinaCheck{
    L"正在检查到新浪网的网络延时",
    L"新浪网",
    L"无法对新浪网域名进行解析，请检查您的DNS设置以及DNS服务器是否正常",
    L"连接新浪网服务器遇到异常错误，请查看后续的LSP劫持检查",
};

const WebSiteCheck kBaiduCheck{
    L"正在检查到百度的网络延时",
    L"百度",
    L"无法对百度域名进行解析，请检查您的DNS设置以及DNS服务器是否正常",
    L"连接百度服务器遇到异常错误，请查看后续的LSP劫持检查",
};

const ScanCheck kTrafficProgramsCheck{
    L"正在检查是否存在后台占用流量的程序在运行",
    L"检查后台进程失败，请确认您具有计算机管理员权限",
    L"检测到下列占用网络流量的程序正在运行中：\r\n",
    L"请彻底退出这些应用程序才能获得最佳的游戏加速效果",
};

const ScanCheck kForeignProvidersCheck{
    L"正在检查是否存在第三方软件的LSP网络劫持",
    L"检查LSP网络劫持失败，请确认您具有计算机管理员权限",
    L"检测到下列LSP劫持：\r\n",
    L"请立即使用LSP修复工具修复",
};

const ScanCheck kDriverFirewallCheck{
    L"正在检查是否安装驱动防火墙",
    L"检查驱动防火墙失败，请确认您具有计算机管理员权限",
    L"检测到驱动防火墙运行中，请确认已将Kestro.sys泓迈网游加速器虚拟网卡驱动文件列入驱动防火墙白名单",
    L"",
};

const ScanCheck kDialupClientsCheck{
    L"正在检查是否存在第三方拨号客户端",
    L"检查第三方拨号客户端失败，请确认您具有计算机管理员权限",
    L"检测到第三方拨号客户端运行中：\r\n",
    L"请确认使用的为允许多网卡通讯的拨号客户端版本，否则泓迈网游加速器虚拟网卡将被该拨号客户端禁止通讯",
};

namespace {

// printf's fixed notation with `decimals` digits, widened (the digits are ASCII).
std::wstring fixed(double value, int decimals) {
  char digits[64];
  const int length = std::snprintf(digits, sizeof digits, "%.*f", decimals, value);
  return std::wstring(digits, digits + (length > 0 ? std::min<int>(length, sizeof digits - 1) : 0));
}

// The factor left by a loss. The thresholds are compared with the probe's
// 32-bit value widened to double: the float nearest k/100 lies just below k/100
// for k = 1 to 4, so k lost requests of 100 take the k-th factor.
double lossFactor(float loss) {
  const double widened = loss;
  if (widened < 0.01) return 0.8;
  if (widened < 0.02) return 0.6;
  if (widened < 0.03) return 0.4;
  if (widened < 0.04) return 0.2;
  return 0.0;
}

}  // namespace

int32_t latencyScore(float latency, float loss) {
  // A latency of 80 ms or less would give a base above 20; the check is worth 20.
  double base = 0.0;
  if (latency < 200.0f) base = std::min<double>(std::trunc(20.0 - (latency - 80.0) * 20.0 / 120.0), kWebSitePoints);
  if (loss != 0.0f) base = std::trunc(base * lossFactor(loss));
  return static_cast<int32_t>(base);
}

CheckVerdict unresolvedVerdict(const WebSiteCheck& check) { return {DiagStatus::error, check.unresolvedText, 0}; }

CheckVerdict unreachableVerdict(const WebSiteCheck& check) { return {DiagStatus::error, check.unreachableText, 0}; }

CheckVerdict linkQualityVerdict(const WebSiteCheck& check, LinkQuality quality) {
  if (quality.averageMs <= 80.0f && quality.loss == 0.0f) return {DiagStatus::ok, L"", kWebSitePoints};
  std::wstring detail = L"连接到";
  detail += check.siteName;
  detail += L"的服务器网络平均延时为";
  detail += fixed(quality.averageMs, 1);
  detail += L"毫秒，丢包率为";
  detail += fixed(quality.loss * 100.0, 2);
  detail += L"%，已经超过大部分网络平均水平，如果您是通过路由器多人公用网络，请重启路由器后重试，如依然如此，请联系您的网络供应商";
  return {DiagStatus::warn, std::move(detail), latencyScore(quality.averageMs, quality.loss)};
}

CheckVerdict scanVerdict(const ScanCheck& check, const ScanOutcome& outcome) {
  if (!outcome.succeeded) return {DiagStatus::warn, check.failedText, 0};
  if (!outcome.found) return {DiagStatus::ok, L"", kScanPoints};
  return {DiagStatus::error, check.foundBefore + outcome.listing + check.foundAfter, 0};
}

}  // namespace kestro
