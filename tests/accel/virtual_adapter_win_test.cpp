#include "accel/virtual_adapter_win.h"

#include <gtest/gtest.h>

#include "accel/driver_tool.h"
#include "app/client_state.h"
#include "tests/accel/accel_test_support_win.h"

namespace kestro {
namespace {

using test::addAdapter;
using test::removeTestAdapters;

class VirtualAdapter : public ::testing::Test {
 protected:
  void SetUp() override {
    removeTestAdapters();
    ClientState::instance().isWow64 = 1;
  }
  void TearDown() override {
    removeTestAdapters();
    SetEnvironmentVariableW(L"KESTRO_VNICCTL_CHATTER", nullptr);
  }
};

TEST_F(VirtualAdapter, FindsExactComponentIdsInSubkeyOrder) {
  addAdapter(L"9101", L"kestro", L"{11111111-0000-0000-0000-000000000001}");
  addAdapter(L"9102", L"Kestro", L"{11111111-0000-0000-0000-000000000002}");
  addAdapter(L"9103", L"kestro", L"{11111111-0000-0000-0000-000000000003}");
  std::vector<std::wstring> found = {L"stale"};
  EXPECT_TRUE(findVirtualAdapters(found));
  EXPECT_EQ(found, (std::vector<std::wstring>{L"{11111111-0000-0000-0000-000000000001}",
                                              L"{11111111-0000-0000-0000-000000000003}"}));
}

TEST_F(VirtualAdapter, NoneFoundEmptiesTheList) {
  addAdapter(L"9102", L"Kestro", L"{11111111-0000-0000-0000-000000000002}");
  std::vector<std::wstring> found = {L"stale"};
  EXPECT_FALSE(findVirtualAdapters(found));
  EXPECT_TRUE(found.empty());
}

TEST_F(VirtualAdapter, InstallAndRemoveThroughTheDriverTool) {
  test::CurrentFolder folder(test::distFolder());
  std::wstring message = L"stale";
  ASSERT_TRUE(installVirtualAdapterDriver(message));
  EXPECT_EQ(message, L"");
  ASSERT_TRUE(installVirtualAdapterDriver(message));
  std::vector<std::wstring> found;
  EXPECT_TRUE(findVirtualAdapters(found));
  ASSERT_EQ(found.size(), 2u);
  EXPECT_NE(found[0], found[1]);
  HKEY interfaceKey = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kTcpInterfacesKey + found[0]).c_str(), 0, KEY_READ, &interfaceKey),
            ERROR_SUCCESS);
  RegCloseKey(interfaceKey);

  EXPECT_TRUE(removeVirtualAdapters(message));
  EXPECT_EQ(message, L"");
  EXPECT_FALSE(findVirtualAdapters(found));
  EXPECT_FALSE(removeVirtualAdapters(message));
  EXPECT_EQ(message, L"未发现任何泓迈网游加速器虚拟网卡，不需要执行卸载操作！");
}

TEST_F(VirtualAdapter, AChattyToolCannotStallTheProgram) {
  test::CurrentFolder folder(test::distFolder());
  SetEnvironmentVariableW(L"KESTRO_VNICCTL_CHATTER", L"400000");
  std::wstring message;
  EXPECT_TRUE(installVirtualAdapterDriver(message)) << toUtf8(message);
  EXPECT_TRUE(removeVirtualAdapters(message)) << toUtf8(message);
}

TEST_F(VirtualAdapter, AMissingToolFailsWhenStarting) {
  test::ScratchFolder empty(L"kestro-no-tool");
  test::CurrentFolder folder(empty.path());
  std::wstring message;
  EXPECT_FALSE(installVirtualAdapterDriver(message));
  EXPECT_EQ(message, driverToolFailureText(DriverToolOperation::Install, DriverToolFailure::StartTool));
  EXPECT_FALSE(removeVirtualAdapters(message));
  EXPECT_EQ(message, driverToolFailureText(DriverToolOperation::Remove, DriverToolFailure::StartTool));
}

TEST_F(VirtualAdapter, EachWindowsTakesTheToolOfItsOwnArchitecture) {
  // isWow64 picks the folder: a tool that is only a stand-in for the other
  // folder's prints no success sentence, so the wrong choice fails.
  for (const bool wow64 : {true, false}) {
    SCOPED_TRACE(wow64 ? "64-bit Windows" : "32-bit Windows");
    test::ScratchFolder program(wow64 ? L"kestro-x86_64-tool" : L"kestro-i386-tool");
    const std::wstring wanted = wow64 ? L"Driver\\x86_64\\" : L"Driver\\i386\\";
    const std::wstring other = wow64 ? L"Driver\\i386\\" : L"Driver\\x86_64\\";
    program.copyFromProgramFolder(wanted + L"Vnicctl.exe");
    program.copyFromProgramFolder(wanted + L"Kestro.inf");
    program.copyFromProgramFolder(L"Patcher.exe", other + L"Vnicctl.exe");
    program.copyFromProgramFolder(wanted + L"Kestro.inf", other + L"Kestro.inf");
    ClientState::instance().isWow64 = wow64 ? 1 : 0;
    test::CurrentFolder folder(program.path());
    std::wstring message;
    EXPECT_TRUE(installVirtualAdapterDriver(message)) << toUtf8(message);
    EXPECT_TRUE(removeVirtualAdapters(message)) << toUtf8(message);
  }
}

TEST_F(VirtualAdapter, AToolWithoutTheSuccessSentenceMeansNoRights) {
  test::ScratchFolder program(L"kestro-silent-tool");
  program.copyFromProgramFolder(L"Patcher.exe", L"Driver\\x86_64\\Vnicctl.exe");
  test::CurrentFolder folder(program.path());
  std::wstring message;
  EXPECT_FALSE(installVirtualAdapterDriver(message));
  EXPECT_EQ(message, L"虚拟网卡安装失败，请确认是否具有计算机操作系统管理员权限");
  EXPECT_FALSE(removeVirtualAdapters(message));
  EXPECT_EQ(message, L"虚拟网卡卸载失败，请确认是否具有计算机操作系统管理员权限！");
}

}  // namespace
}  // namespace kestro
