// The 32-bit program on 64-bit Windows: WoW64 found, the x86_64 driver tool.
#include <gtest/gtest.h>

#include "app/client_state.h"
#include "app/entry/startup_win.h"
#include "tests/accel/accel_test_support_win.h"
#include "tests/support/test_folders_win.h"
#include "tests/win32/program_on_windows_win.h"

namespace kestro {
namespace {

TEST(ThirtyTwoBitProgramOnWow64, StartUpFindsWow64AndTheProgramShowsItsLoginWindow) {
  ClientState::instance().isWow64 = 5;
  probeWow64();
  EXPECT_EQ(ClientState::instance().isWow64, 1);
  test::startTheProgramToItsLoginWindow();
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
  test::installAndRemoveTheAdapter();
}

}  // namespace
}  // namespace kestro
