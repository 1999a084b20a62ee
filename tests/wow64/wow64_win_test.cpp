// The 32-bit program on 64-bit Windows: WoW64 found, the x86_64 driver tool.
#include <gtest/gtest.h>

#include "accel/virtual_adapter_win.h"
#include "app/client_state.h"
#include "app/entry/startup_win.h"
#include "base/text_convert.h"
#include "tests/accel/accel_test_support_win.h"
#include "tests/support/test_folders_win.h"
#include "tests/support/wine_host_win.h"
#include "ui/login/login_window_win.h"

namespace kestro {
namespace {

TEST(ThirtyTwoBitProgramOnWow64, StartUpFindsWow64AndTheProgramShowsItsLoginWindow) {
  ClientState::instance().isWow64 = 5;
  probeWow64();
  EXPECT_EQ(ClientState::instance().isWow64, 1);

  test::ChildProcess program(L"\"" + test::distFolder() + L"\\Kestro.exe\"", L"");
  ASSERT_TRUE(program.started());
  const HWND window = test::waitForWindow(kLoginWindowClass, 30000);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.waitForExit(15000), 0u);
}

TEST(ThirtyTwoBitProgramOnWow64, TheAdapterIsInstalledAndRemovedByTheX86_64Tool) {
  // The i386 folder holds a program that prints no success sentence, so
  // success means the 64-bit tool ran, started from the 32-bit process.
  test::removeTestAdapters();
  probeWow64();
  ASSERT_EQ(ClientState::instance().isWow64, 1);
  test::ScratchFolder program(L"kestro-wow64-tool");
  program.copyFromProgramFolder(L"Driver\\x86_64\\Vnicctl.exe");
  program.copyFromProgramFolder(L"Driver\\x86_64\\Kestro.inf");
  program.copyFromProgramFolder(L"Patcher.exe", L"Driver\\i386\\Vnicctl.exe");
  program.copyFromProgramFolder(L"Driver\\x86_64\\Kestro.inf", L"Driver\\i386\\Kestro.inf");
  test::CurrentFolder folder(program.path());
  std::wstring message;
  ASSERT_TRUE(installVirtualAdapterDriver(message)) << toUtf8(message);
  std::vector<std::wstring> found;
  EXPECT_TRUE(findVirtualAdapters(found));
  EXPECT_EQ(found.size(), 1u);
  EXPECT_TRUE(removeVirtualAdapters(message)) << toUtf8(message);
  EXPECT_FALSE(findVirtualAdapters(found));
}

}  // namespace
}  // namespace kestro
