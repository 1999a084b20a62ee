// What the diagnosis page shows that needs no window: the score and its
// colour, the figures of a degraded link, the verdict images and the texts of
// the two repair commands.
#pragma once

#include <cstdint>
#include <string>

#include "diag/diag_step_record.h"

namespace kestro {

// "%d分".
std::wstring diagScoreText(int32_t score);
// Red below 30, amber from 30 to 59, green from 60.
const wchar_t* diagScoreColour(int32_t score);

// A link report starts the diagnosis with the link's figures; a click starts it
// with none. A degraded link always has one of them above 0 (its latency
// truncated to whole milliseconds may be 0 when only the loss was too high).
bool isAutomaticStart(float latency, float loss);
// The loss rate (0 to 1) that WM_LINK_DEGRADED carries in its lParam.
float lossFromLinkReport(intptr_t report);
// The figures of the automatic panel: "%.1f" milliseconds and the loss as a
// percentage "%.2f".
std::wstring linkLatencyText(float latency);
std::wstring linkLossText(float loss);

// The picture of a verdict in the third cell of its row; nothing for
// `running` and for unknown statuses.
const wchar_t* verdictImage(DiagStatus status);
// The class of the paragraph that shows the detail under the title ("error",
// "warn"); nothing when the verdict has no paragraph.
const wchar_t* verdictParagraphClass(DiagStatus status);

// LSP repair.
// The diagnosis could not be started (no thread): the start view offers it again.
inline constexpr wchar_t kDiagnosisNotStarted[] = L"网络诊断启动失败，请稍后重试！";
// The diagnosis could not finish (memory ran out): the start view offers it again.
inline constexpr wchar_t kDiagnosisNotFinished[] = L"网络诊断未能完成，请稍后重试！";
inline constexpr wchar_t kLspRepairFailed[] = L"异常LSP修复失败！";
inline constexpr wchar_t kNoForeignLsp[] = L"没有任何异常LSP需要修复！";
inline constexpr wchar_t kLspRepaired[] = L"成功修复LSP，请点击确定后重新启动泓迈网游加速器！";

// Removal of the virtual adapter.
inline constexpr wchar_t kAdapterRemovalQuestion[] =
    L"卸载泓迈网游加速器虚拟网卡后再次使用需要重新优化系统网络参数，那将需要重新启动计算机，是否确实需要删除虚拟网卡？";
inline constexpr wchar_t kAdapterRemovedQuestion[] = L"泓迈网游加速器虚拟网卡卸载成功，是否需要退出泓迈网游加速器？";
// "卸载泓迈网游加速器失败，原因：%s".
std::wstring adapterRemovalFailedText(const std::wstring& reason);

}  // namespace kestro
