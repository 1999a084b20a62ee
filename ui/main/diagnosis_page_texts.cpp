#include "ui/main/diagnosis_page_texts.h"

#include "accel/link_report.h"
#include "nodes/number_text.h"

namespace kestro {

std::wstring diagScoreText(int32_t score) { return std::to_wstring(score) + L"分"; }

const wchar_t* diagScoreColour(int32_t score) {
  if (score < 30) return L"#ff0000";
  if (score < 60) return L"#ffc000";
  return L"#007c1c";
}

bool isAutomaticStart(float latency, float loss) { return latency > 0.0f || loss > 0.0f; }

float lossFromLinkReport(intptr_t report) { return static_cast<float>(lossPercentFromReport(report) / 100.0); }

std::wstring linkLatencyText(float latency) { return formatNumber("%.1f", latency); }

std::wstring linkLossText(float loss) { return formatNumber("%.2f", loss * 100.0f); }

const wchar_t* verdictImage(DiagStatus status) {
  switch (status) {
    case DiagStatus::ok: return L"OK.PNG";
    case DiagStatus::error: return L"NO.PNG";
    case DiagStatus::warn: return L"WARN.PNG";
    default: return nullptr;
  }
}

const wchar_t* verdictParagraphClass(DiagStatus status) {
  switch (status) {
    case DiagStatus::error: return L"error";
    case DiagStatus::warn: return L"warn";
    default: return nullptr;
  }
}

std::wstring adapterRemovalFailedText(const std::wstring& reason) { return L"卸载泓迈网游加速器失败，原因：" + reason; }

}  // namespace kestro
