// The steps the cases of the 32-bit program share on 32-bit Windows and under
// WoW64 (tests/wow64): the program's start and the virtual adapter's install
// from the current program folder. Header-only.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "accel/virtual_adapter_win.h"
#include "base/text_convert.h"
#include "tests/support/wine_host_win.h"
#include "ui/login/login_window_win.h"

namespace kestro::test {

// The program folder's Kestro.exe shows its login window and, closed, ends with 0.
inline void startTheProgramToItsLoginWindow() {
  ChildProcess program(L"\"" + distFolder() + L"\\Kestro.exe\"", L"");
  ASSERT_TRUE(program.started());
  const HWND window = waitForWindow(kLoginWindowClass, 30000);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.waitForExit(15000), 0u);
}

// The driver tool of the current program folder installs one adapter and removes it.
inline void installAndRemoveTheAdapter() {
  std::wstring message;
  ASSERT_TRUE(installVirtualAdapterDriver(message)) << toUtf8(message);
  std::vector<std::wstring> found;
  EXPECT_TRUE(findVirtualAdapters(found));
  EXPECT_EQ(found.size(), 1u);
  EXPECT_TRUE(removeVirtualAdapters(message)) << toUtf8(message);
  EXPECT_FALSE(findVirtualAdapters(found));
}

}  // namespace kestro::test
