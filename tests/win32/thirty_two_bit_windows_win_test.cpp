// The 32-bit program on 32-bit Windows: no WoW64, the i386 driver folder.
#include <gtest/gtest.h>

#include "accel/virtual_adapter_win.h"
#include "app/client_state.h"
#include "app/entry/startup_win.h"
#include "tests/accel/accel_test_support_win.h"
#include "tests/support/wine_host_win.h"
#include "ui/login/login_window_win.h"

namespace kestro {
namespace {

TEST(ThirtyTwoBitWindows, StartUpFindsNoWow64AndTheProgramShowsItsLoginWindow) {
  ClientState::instance().isWow64 = 5;
  probeWow64();
  EXPECT_EQ(ClientState::instance().isWow64, 0);

  test::ChildProcess program(L"\"" + test::distFolder() + L"\\Kestro.exe\"", L"");
  ASSERT_TRUE(program.started());
  const HWND window = test::waitForWindow(kLoginWindowClass, 30000);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.waitForExit(15000), 0u);
}

TEST(ThirtyTwoBitWindows, TheAdapterIsInstalledAndRemovedByTheI386Tool) {
  // The x86_64 tool cannot start on 32-bit Windows: success means i386's ran.
  test::removeTestAdapters();
  probeWow64();
  ASSERT_EQ(ClientState::instance().isWow64, 0);
  test::CurrentFolder folder(test::distFolder());
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
