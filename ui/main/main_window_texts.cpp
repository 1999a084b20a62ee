#include "ui/main/main_window_texts.h"

#include <cmath>
#include <cstdio>

#include "nodes/number_text.h"

namespace kestro {

std::wstring leaveDaysText(int32_t leaveDays) {
  return (leaveDays >= 1 ? std::to_wstring(leaveDays) : std::wstring(L"0")) + L"天";
}

std::wstring accountTypeText(int32_t accountType) {
  switch (accountType) {
    case 4: return L"国内网游加速服务";
    case 8: return L"国际网游加速服务";
    default: return {};
  }
}

std::wstring accountStatusText(int32_t accountStatus) {
  switch (accountStatus) {
    case 3: return L"正常付费用户";
    case 5: return L"已过期请续费";
    case 6: return L"高级用户";
    case 7: return L"等待付费用户";
    default: return {};
  }
}

LatencyCell latencyCell(int32_t result) {
  if (result == -5) return {L"无法连接节点", L"999"};
  if (result >= -4 && result <= -1) return {L"测试延时失败", L"998"};
  return {std::to_wstring(result) + L"毫秒", std::to_wstring(result)};
}

int32_t elapsedWholeMinutes(double thenDays, double nowDays) {
  const double halfSecond = 0.5 / 86400.0;
  const double days = nowDays - thenDays;
  return truncatedToInt32((days + std::copysign(halfSecond, days)) * 1440.0);
}

std::optional<std::wstring> refreshRefusal(RefreshedList list, double thenDays, double nowDays) {
  const int32_t elapsed = elapsedWholeMinutes(thenDays, nowDays);
  if (elapsed >= kRefreshIntervalMinutes) return std::nullopt;
  const std::wstring what = list == RefreshedList::Nodes ? L"节点列表" : L"游戏列表";
  return L"不能频繁进行刷新" + what + L"操作，还需要" +
         formatNumber("%.0f", static_cast<double>(kRefreshIntervalMinutes) - elapsed) + L"分钟才能进行本操作！";
}

std::wstring gameTooltip(const GameRecord& game) {
  return L"\t缩写：" + game.pyName + L"\r\n简称：" + game.enName + L"\r\n网址：" + game.url + L"\r\n运营商：" +
         game.vendor;
}

std::wstring bestNodeText(const GameSession& best, const std::wstring& nodeName) {
  std::wstring text = L"本游戏实测最佳节点：" + nodeName + L"，加速后 " + std::to_wstring(best.acceleratedMs) + L" 毫秒";
  if (best.directMs) text += L"（直连 " + std::to_wstring(*best.directMs) + L" 毫秒）";
  return text;
}

}  // namespace kestro
