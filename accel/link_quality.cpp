#include "accel/link_quality.h"

#include <cstdio>

namespace kestro {

void LinkQualityWindow::add(EchoOutcome outcome) {
  outcomes_.push_back(outcome);
  if (outcomes_.size() > kLinkQualityWindow) outcomes_.pop_front();
}

std::optional<uint32_t> LinkQualityWindow::latestMs() const {
  if (outcomes_.empty() || !outcomes_.back().answered) return std::nullopt;
  return outcomes_.back().roundTripMs;
}

float LinkQualityWindow::loss() const {
  if (outcomes_.empty()) return 0.0f;
  size_t lost = 0;
  for (const EchoOutcome& outcome : outcomes_) lost += outcome.answered ? 0 : 1;
  return static_cast<float>(lost) / static_cast<float>(outcomes_.size());
}

std::wstring linkLatencyText(uint32_t latencyMs) {
  if (latencyMs == kLinkEchoLost) return L"超时";
  return std::to_wstring(latencyMs) + L"毫秒";
}

std::wstring linkLossText(intptr_t lossHundredths) {
  // Whole hundredths: the two decimals are exact, whatever the C library rounds.
  const intptr_t value = lossHundredths < 0 ? 0 : lossHundredths;
  wchar_t decimals[4];
  std::swprintf(decimals, 4, L"%02d", static_cast<int>(value % 100));
  return std::to_wstring(value / 100) + L"." + decimals + L"%（近60秒）";
}

std::wstring acceleratingTrayTip(uint32_t latencyMs, std::optional<uint32_t> gameServerMs) {
  std::wstring tip = latencyMs == kLinkEchoLost ? L"泓迈网游加速器 加速中 链路超时"
                                                : L"泓迈网游加速器 加速中 延时" + linkLatencyText(latencyMs);
  if (gameServerMs) tip += L" 游戏服务器" + std::to_wstring(*gameServerMs) + L"毫秒";
  return tip;
}

}  // namespace kestro
