#include "accel/driver_tool.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(DriverTool, CommandLinesByProcessorFamily) {
  EXPECT_EQ(driverToolCommandLine(DriverToolOperation::Install, true),
            L"Driver\\x86_64\\Vnicctl.exe install Driver\\x86_64\\Kestro.inf kestro");
  EXPECT_EQ(driverToolCommandLine(DriverToolOperation::Install, false),
            L"Driver\\i386\\Vnicctl.exe install Driver\\i386\\Kestro.inf kestro");
  EXPECT_EQ(driverToolCommandLine(DriverToolOperation::Remove, true), L"Driver\\x86_64\\Vnicctl.exe remove kestro");
  EXPECT_EQ(driverToolCommandLine(DriverToolOperation::Remove, false), L"Driver\\i386\\Vnicctl.exe remove kestro");
}

TEST(DriverTool, OutputJudgement) {
  const struct {
    DriverToolOperation operation;
    std::wstring output;
    bool ok;
    std::wstring message;
  } rows[] = {
      {DriverToolOperation::Install, L"Updating...\r\nDrivers installed successfully.\r\n", true, L""},
      {DriverToolOperation::Install, L"drivers installed successfully", false,
       L"虚拟网卡安装失败，请确认是否具有计算机操作系统管理员权限"},
      {DriverToolOperation::Install, L"", false, L"虚拟网卡安装失败，请确认是否具有计算机操作系统管理员权限"},
      {DriverToolOperation::Remove, L"2 device(s) were removed.\r\n", true, L""},
      {DriverToolOperation::Remove, L"No devices were removed.\r\n", false,
       L"未发现任何泓迈网游加速器虚拟网卡，不需要执行卸载操作！"},
      {DriverToolOperation::Remove, L"Remove failed.", false,
       L"虚拟网卡卸载失败，请确认是否具有计算机操作系统管理员权限！"},
  };
  for (const auto& row : rows) {
    std::wstring message = L"stale";
    EXPECT_EQ(judgeDriverToolOutput(row.operation, row.output, message), row.ok);
    EXPECT_EQ(message, row.message);
  }
}

TEST(DriverTool, FailureTextsOfBothOperations) {
  EXPECT_EQ(driverToolFailureText(DriverToolOperation::Install, DriverToolFailure::StartTool),
            L"缺少必要的泓迈网游加速器文件，虚拟网卡安装失败，请检查加速器客户端是否完整或已将整个加速器客户端文件解压缩到电脑硬盘");
  EXPECT_EQ(driverToolFailureText(DriverToolOperation::Remove, DriverToolFailure::StartTool),
            L"缺少必要的泓迈网游加速器文件，虚拟网卡卸载失败，请检查加速器客户端是否完整或已将整个加速器客户端文件解压缩到电脑硬盘！");
  EXPECT_EQ(driverToolFailureText(DriverToolOperation::Install, DriverToolFailure::DuplicateInput),
            L"重定向标准错误流异常，虚拟网卡安装失败");
  EXPECT_EQ(driverToolFailureText(DriverToolOperation::Remove, DriverToolFailure::ReadOutput),
            L"关闭标准输入输出流异常，虚拟网卡卸载失败！");
  // Every remove text is its install text with the other verb and a final "！".
  for (int step = 0; step <= static_cast<int>(DriverToolFailure::ReadOutput); ++step) {
    const auto failure = static_cast<DriverToolFailure>(step);
    std::wstring install = driverToolFailureText(DriverToolOperation::Install, failure);
    const size_t verb = install.find(L"安装");
    ASSERT_NE(verb, std::wstring::npos);
    install.replace(verb, 2, L"卸载");
    EXPECT_EQ(install + L"！", driverToolFailureText(DriverToolOperation::Remove, failure));
  }
}

}  // namespace
}  // namespace kestro
