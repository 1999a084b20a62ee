#include "accel/driver_tool.h"

namespace kestro {
namespace {

struct FailureTexts {
  DriverToolFailure failure;
  const wchar_t* install;
  const wchar_t* remove;
};

constexpr FailureTexts kFailureTexts[] = {
    {DriverToolFailure::InitSecurityDescriptor, L"初始化安全描述符异常，虚拟网卡安装失败",
     L"初始化安全描述符异常，虚拟网卡卸载失败！"},
    {DriverToolFailure::SetSecurityDescriptorDacl, L"设置安全描述符异常，虚拟网卡安装失败",
     L"设置安全描述符异常，虚拟网卡卸载失败！"},
    {DriverToolFailure::CreateOutputPipe, L"创建标准输出流管道异常，虚拟网卡安装失败",
     L"创建标准输出流管道异常，虚拟网卡卸载失败！"},
    {DriverToolFailure::DuplicateOutput, L"重定向标准输出流异常，虚拟网卡安装失败",
     L"重定向标准输出流异常，虚拟网卡卸载失败！"},
    {DriverToolFailure::CreateInputPipe, L"创建标准输入流管道异常，虚拟网卡安装失败",
     L"创建标准输入流管道异常，虚拟网卡卸载失败！"},
    {DriverToolFailure::DuplicateInput, L"重定向标准错误流异常，虚拟网卡安装失败",
     L"重定向标准错误流异常，虚拟网卡卸载失败！"},
    {DriverToolFailure::CloseInheritable, L"关闭标准输入输出流管道异常，虚拟网卡安装失败",
     L"关闭标准输入输出流管道异常，虚拟网卡卸载失败！"},
    {DriverToolFailure::StartTool,
     L"缺少必要的泓迈网游加速器文件，虚拟网卡安装失败，请检查加速器客户端是否完整或已将整个加速器客户端文件解压缩到电脑硬盘",
     L"缺少必要的泓迈网游加速器文件，虚拟网卡卸载失败，请检查加速器客户端是否完整或已将整个加速器客户端文件解压缩到电脑硬盘！"},
    {DriverToolFailure::CloseChildHandles, L"关闭标准输入输出错误流异常，虚拟网卡安装失败",
     L"关闭标准输入输出错误流异常，虚拟网卡卸载失败！"},
    {DriverToolFailure::ReadOutput, L"关闭标准输入输出流异常，虚拟网卡安装失败",
     L"关闭标准输入输出流异常，虚拟网卡卸载失败！"},
};

constexpr wchar_t kInstalledSentence[] = L"Drivers installed successfully";
constexpr wchar_t kRemovedSentence[] = L"device(s) were removed.";
constexpr wchar_t kNothingRemovedSentence[] = L"No devices were removed";

constexpr wchar_t kInstallFailed[] = L"虚拟网卡安装失败，请确认是否具有计算机操作系统管理员权限";
constexpr wchar_t kNothingToRemove[] = L"未发现任何泓迈网游加速器虚拟网卡，不需要执行卸载操作！";
constexpr wchar_t kRemoveFailed[] = L"虚拟网卡卸载失败，请确认是否具有计算机操作系统管理员权限！";

}  // namespace

std::wstring driverToolCommandLine(DriverToolOperation operation, bool x86_64) {
  const std::wstring folder = x86_64 ? L"Driver\\x86_64\\" : L"Driver\\i386\\";
  if (operation == DriverToolOperation::Install) {
    return folder + L"Vnicctl.exe install " + folder + L"Kestro.inf " + kAdapterComponentId;
  }
  return folder + L"Vnicctl.exe remove " + kAdapterComponentId;
}

std::wstring driverToolFailureText(DriverToolOperation operation, DriverToolFailure failure) {
  for (const FailureTexts& texts : kFailureTexts) {
    if (texts.failure == failure) return operation == DriverToolOperation::Install ? texts.install : texts.remove;
  }
  return {};
}

bool judgeDriverToolOutput(DriverToolOperation operation, std::wstring_view output, std::wstring& message) {
  message.clear();
  if (operation == DriverToolOperation::Install) {
    if (output.find(kInstalledSentence) != std::wstring_view::npos) return true;
    message = kInstallFailed;
    return false;
  }
  if (output.find(kRemovedSentence) != std::wstring_view::npos) return true;
  message = output.find(kNothingRemovedSentence) != std::wstring_view::npos ? kNothingToRemove : kRemoveFailed;
  return false;
}

}  // namespace kestro
