#include "accel/link_quality.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(LinkQuality, TheWindowKeepsTheLastSixtyEchoes) {
  LinkQualityWindow window;
  EXPECT_EQ(window.latestMs(), std::nullopt);
  EXPECT_EQ(window.loss(), 0.0f);
  window.add({true, 23});
  EXPECT_EQ(window.latestMs(), 23u);
  window.add({false, 0});
  EXPECT_EQ(window.latestMs(), std::nullopt) << "a lost echo shows as lost, not as the one before";
  EXPECT_EQ(window.loss(), 0.5f);
  // 59 answered echoes push the first out but keep the lost one.
  for (int i = 0; i < 59; ++i) window.add({true, 30});
  EXPECT_EQ(window.size(), 60u);
  EXPECT_FLOAT_EQ(window.loss(), 1.0f / 60.0f);
  window.add({true, 31});
  EXPECT_EQ(window.loss(), 0.0f) << "the lost echo is older than 60 now";
  EXPECT_EQ(window.latestMs(), 31u);
}

TEST(LinkQuality, Texts) {
  EXPECT_EQ(linkLatencyText(23), L"23毫秒");
  EXPECT_EQ(linkLatencyText(0), L"0毫秒");
  EXPECT_EQ(linkLatencyText(kLinkEchoLost), L"超时");
  EXPECT_EQ(linkLossText(0), L"0.00%（近60秒）");
  EXPECT_EQ(linkLossText(167), L"1.67%（近60秒）");
  EXPECT_EQ(linkLossText(10000), L"100.00%（近60秒）");
  EXPECT_EQ(linkLossText(5), L"0.05%（近60秒）");
  EXPECT_EQ(acceleratingTrayTip(23), L"泓迈网游加速器 加速中 延时23毫秒");
  EXPECT_EQ(acceleratingTrayTip(kLinkEchoLost), L"泓迈网游加速器 加速中 链路超时");
  EXPECT_EQ(acceleratingTrayTip(23, 48), L"泓迈网游加速器 加速中 延时23毫秒 游戏服务器48毫秒");
  EXPECT_EQ(acceleratingTrayTip(kLinkEchoLost, 48), L"泓迈网游加速器 加速中 链路超时 游戏服务器48毫秒");
}

}  // namespace
}  // namespace kestro
