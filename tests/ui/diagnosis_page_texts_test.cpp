#include "ui/main/diagnosis_page_texts.h"

#include <gtest/gtest.h>

#include "accel/link_report.h"

namespace kestro {
namespace {

TEST(DiagnosisScore, TextIsTheNumberFollowedByPoints) {
  EXPECT_EQ(diagScoreText(85), L"85分");
  EXPECT_EQ(diagScoreText(100), L"100分");
  EXPECT_EQ(diagScoreText(0), L"0分");
}

TEST(DiagnosisScore, ColourTurnsAmberAtThirtyAndGreenAtSixty) {
  const std::pair<int32_t, std::wstring> cases[] = {
      {0, L"#ff0000"},  {29, L"#ff0000"}, {30, L"#ffc000"}, {59, L"#ffc000"},
      {60, L"#007c1c"}, {100, L"#007c1c"}, {-5, L"#ff0000"}, {120, L"#007c1c"}};
  for (const auto& [score, colour] : cases) EXPECT_EQ(diagScoreColour(score), colour) << score;
}

TEST(DiagnosisStart, AnyLinkFigureMakesTheStartAutomatic) {
  EXPECT_FALSE(isAutomaticStart(0.0f, 0.0f));
  EXPECT_TRUE(isAutomaticStart(73.0f, 0.0f));
  // A link slow only in its loss, answering in under a millisecond.
  EXPECT_TRUE(isAutomaticStart(0.0f, 0.02f));
}

TEST(DiagnosisStart, LinkFiguresAsTheAutomaticPanelShowsThem) {
  EXPECT_EQ(linkLatencyText(73.0f), L"73.0");
  EXPECT_EQ(linkLatencyText(1000.0f), L"1000.0");
  // What the link monitor reports comes back with its two decimals.
  const std::pair<float, std::wstring> losses[] = {
      {0.0f, L"0.00"}, {0.01f, L"1.00"}, {0.03f, L"3.00"}, {0.1234f, L"12.34"}, {1.0f, L"100.00"}};
  for (const auto& [loss, text] : losses) {
    const float received = lossFromLinkReport(lossToReport(loss));
    EXPECT_EQ(linkLossText(received), text) << loss;
  }
  EXPECT_FLOAT_EQ(lossFromLinkReport(250), 0.025f);
}

// Nothing shows as "-".
std::wstring shown(const wchar_t* text) { return text != nullptr ? text : L"-"; }

TEST(DiagnosisTable, VerdictPicturesAndParagraphs) {
  struct Case {
    DiagStatus status;
    std::wstring image;
    std::wstring paragraph;
  };
  const Case cases[] = {{DiagStatus::running, L"-", L"-"},
                        {DiagStatus::ok, L"OK.PNG", L"-"},
                        {DiagStatus::error, L"NO.PNG", L"error"},
                        {DiagStatus::warn, L"WARN.PNG", L"warn"},
                        {static_cast<DiagStatus>(7), L"-", L"-"}};
  for (const Case& c : cases) {
    EXPECT_EQ(shown(verdictImage(c.status)), c.image) << static_cast<int>(c.status);
    EXPECT_EQ(shown(verdictParagraphClass(c.status)), c.paragraph) << static_cast<int>(c.status);
  }
}

TEST(AdapterRemoval, FailureNamesTheReason) {
  EXPECT_EQ(adapterRemovalFailedText(L"未发现任何泓迈网游加速器虚拟网卡，不需要执行卸载操作！"),
            L"卸载泓迈网游加速器失败，原因：未发现任何泓迈网游加速器虚拟网卡，不需要执行卸载操作！");
}

}  // namespace
}  // namespace kestro
