// The live link quality of a running acceleration: one echo a second to the
// tunnel's gateway (apart from the five-minute link monitor), the latency of
// the latest echo and the loss over the last 60, as the traffic view and the
// notification icon's tip show them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "nodes/echo_tally.h"

namespace kestro {

inline constexpr uint32_t kLinkQualityPeriodMs = 1000;
inline constexpr size_t kLinkQualityWindow = 60;

// The last kLinkQualityWindow echo outcomes.
class LinkQualityWindow {
 public:
  void add(EchoOutcome outcome);
  // The latest echo's time; nothing when it was lost (or before the first).
  std::optional<uint32_t> latestMs() const;
  // The fraction of the kept echoes that were lost; 0 before the first.
  float loss() const;
  size_t size() const { return outcomes_.size(); }

 private:
  std::deque<EchoOutcome> outcomes_;
};

// How WM_LINK_QUALITY carries a sample: wParam the latency, kLinkEchoLost for
// a lost echo; lParam the loss in hundredths of a percent (lossToReport).
inline constexpr uint32_t kLinkEchoLost = 0xFFFFFFFF;

// "23毫秒", or "超时" for a lost echo.
std::wstring linkLatencyText(uint32_t latencyMs);
// "1.67%（近60秒）" from hundredths of a percent.
std::wstring linkLossText(intptr_t lossHundredths);
// The notification icon's tip while accelerating: "泓迈网游加速器 加速中 延时23毫秒",
// with the game server's accelerated figure once measured (" 游戏服务器48毫秒").
std::wstring acceleratingTrayTip(uint32_t latencyMs, std::optional<uint32_t> gameServerMs = std::nullopt);

}  // namespace kestro
