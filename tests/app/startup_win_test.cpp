#include "app/entry/startup_win.h"

#include <gtest/gtest.h>

#include "app/client_state.h"
#include "tests/support/wine_host_win.h"
#include "ui/login/login_window_win.h"

namespace kestro {
namespace {

std::wstring kestroExe() { return test::distFolder() + L"\\Kestro.exe"; }

TEST(Startup, EntersTheExecutablesFolderWhateverTheWorkingFolder) {
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  ASSERT_TRUE(SetCurrentDirectoryW(windows));
  ASSERT_TRUE(enterProgramFolder());

  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring expected(module);
  expected.resize(expected.rfind(L'\\'));
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  EXPECT_EQ(_wcsicmp(current, expected.c_str()), 0) << current;

  // A relative path now resolves beside the executable.
  wchar_t full[MAX_PATH];
  GetFullPathNameW(L"Viadex.dll", MAX_PATH, full, nullptr);
  EXPECT_EQ(_wcsicmp(full, (expected + L"\\Viadex.dll").c_str()), 0);
}

TEST(Startup, TheThirtyTwoBitProgramRunsUnderWow64On64BitWindows) {
  // The run's usual prefix stands for 64-bit Windows.
  ClientState::instance().isWow64 = 5;
  probeWow64();
  // The 64-bit test tree (machines that cannot run 32-bit code) is no WoW64 process.
  EXPECT_EQ(ClientState::instance().isWow64, sizeof(void*) == 4 ? 1 : 0);
}

TEST(Startup, SecondCopyExitsAtOnceWhileTheFirstRunsOn) {
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  test::ChildProcess first(L"\"" + kestroExe() + L"\"", windows);
  ASSERT_TRUE(first.started());
  HWND window = test::waitForWindow(kLoginWindowClass, 30000);
  ASSERT_NE(window, nullptr) << "the first copy never showed its login window";

  test::ChildProcess second(L"\"" + kestroExe() + L"\"", windows);
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.waitForExit(15000), 0u);
  EXPECT_TRUE(first.running());

  // Closing the login window without logging in ends the program with 0.
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.waitForExit(15000), 0u);
}

}  // namespace
}  // namespace kestro
