// The stand-in tunnel library against the boundary the client relies on: its
// error codes from the key material and the node, its reports, and its stop.
#include <gtest/gtest.h>

#include <thread>

#include "accel/tunnel_interface.h"
#include "accel/tunnel_library_win.h"
#include "accel/virtual_adapter_win.h"
#include "app/client_state.h"
#include "tests/accel/accel_test_support_win.h"
#include "tests/accel/loopback_tunnel_node_win.h"

namespace kestro {
namespace {

constexpr char kEventName[] = "KestroAccLibraryTest";

// A copy of the program folder's library and files in a folder of its own.
class LibraryCopy {
 public:
  LibraryCopy() : folder_(L"kestro-viadex") {
    for (const wchar_t* file : {L"Viadex.dll", L"Viadex.ini", L"ca.crt", L"client.key"}) {
      folder_.copyFromProgramFolder(file);
    }
  }
  ~LibraryCopy() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  const test::ScratchFolder& folder() const { return folder_; }
  void remove(const wchar_t* file) const { DeleteFileW((folder_.path() + L"\\" + file).c_str()); }

  StartTunnelFunction load() {
    module_ = LoadLibraryW((folder_.path() + L"\\Viadex.dll").c_str());
    EXPECT_NE(module_, nullptr);
    return reinterpret_cast<StartTunnelFunction>(
        reinterpret_cast<void*>(GetProcAddress(module_, kStartTunnelExport)));
  }

 private:
  test::ScratchFolder folder_;
  HMODULE module_ = nullptr;
};

class TunnelLibraryStandIn : public ::testing::Test {
 protected:
  TunnelLibraryStandIn() : stop_(CreateEventA(nullptr, TRUE, FALSE, kEventName)) {}
  ~TunnelLibraryStandIn() override { CloseHandle(stop_); }

  // Calls the library on this thread; returns the posted error code, or 0.
  LPARAM errorOf(LibraryCopy& library, int32_t port = 1) {
    const StartTunnelFunction start = library.load();
    EXPECT_NE(start, nullptr);
    if (start == nullptr) return -1;
    start(window.window(), "127.0.0.1", "kestro", "abc123", kEventName, port);
    window.recorder().pumpUntil([](const auto&) { return false; }, 100);
    for (const auto& entry : window.recorder().entries())
      if (entry.message == WM_TUNNEL_ERROR) return entry.lParam;
    return 0;
  }

  test::MainWindowRecorder window;
  HANDLE stop_;
};

TEST_F(TunnelLibraryStandIn, MissingCertificateIsErrorOne) {
  LibraryCopy library;
  library.remove(L"ca.crt");
  EXPECT_EQ(errorOf(library), kTunnelErrorCaCertificate);
}

TEST_F(TunnelLibraryStandIn, MissingKeyIsErrorTwo) {
  LibraryCopy library;
  library.remove(L"client.key");
  EXPECT_EQ(errorOf(library), kTunnelErrorKeyFileOpen);
}

TEST_F(TunnelLibraryStandIn, AKeyOfTheWrongSizeIsErrorSix) {
  LibraryCopy library;
  library.folder().write(L"client.key", std::string(255, 'K'));
  EXPECT_EQ(errorOf(library), kTunnelErrorKeyFileSize);
}

TEST_F(TunnelLibraryStandIn, NoNodeWithinTheTimeOutIsErrorSeven) {
  LibraryCopy library;
  library.folder().write(L"Viadex.ini", "[tunnel]\r\nConnectTimeoutMs=600\r\n");
  const int32_t closedPort = test::LoopbackListener().port();
  EXPECT_EQ(errorOf(library, closedPort), kTunnelErrorNoConnection);
}

TEST_F(TunnelLibraryStandIn, ARejectedUserIsErrorThree) {
  LibraryCopy library;
  test::LoopbackTunnelNode node("kestro", "another password");
  EXPECT_EQ(errorOf(library, node.port()), kTunnelErrorAuthentication);
  EXPECT_EQ(window.count(WM_TUNNEL_CONNECTED), 0);
}

TEST_F(TunnelLibraryStandIn, CountsGrowEverySecondUntilTheEventIsSignalled) {
  LibraryCopy library;
  library.folder().write(L"Viadex.ini", "[tunnel]\r\nGateway=10.9.0.1\r\nAddress=10.9.0.6\r\nMask=255.255.255.252\r\n");
  test::LoopbackTunnelNode node("kestro", "abc123");
  const StartTunnelFunction start = library.load();
  ASSERT_NE(start, nullptr);
  const HWND target = window.window();
  std::thread tunnel([&] { start(target, "127.0.0.1", "kestro", "abc123", kEventName, node.port()); });
  const bool twoReports =
      window.recorder().pumpUntil([&](const auto&) { return window.count(WM_TUNNEL_TRAFFIC) >= 2; }, 10000);
  SetEvent(stop_);
  tunnel.join();
  ASSERT_TRUE(twoReports);

  std::vector<std::wstring> infos;
  std::vector<std::pair<WPARAM, LPARAM>> counters;
  for (const auto& entry : window.recorder().entries()) {
    if (entry.message == WM_TUNNEL_INFO) infos.push_back(entry.detail);
    if (entry.message == WM_TUNNEL_TRAFFIC) counters.emplace_back(entry.wParam, entry.lParam);
  }
  EXPECT_EQ(infos, (std::vector<std::wstring>{L"10.9.0.1", L"10.9.0.6", L"255.255.255.252"}));
  ASSERT_GE(counters.size(), 2u);
  EXPECT_GT(counters[0].first, 0u);
  EXPECT_GT(counters[1].first, counters[0].first);
  EXPECT_EQ(counters[1].second, 2 * counters[0].second);  // one keep-alive a second
  EXPECT_EQ(window.count(WM_TUNNEL_ERROR), 0);
}

}  // namespace
}  // namespace kestro

namespace kestro {
namespace {

// An open-file dialog may leave the current directory anywhere: the library
// is still loaded from the program folder, and the driver tool run from there.
TEST(AccelerationLifecycle, TheComponentsComeFromTheProgramFolderWhateverTheCurrentDirectory) {
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  test::CurrentFolder program(test::distFolder());
  ASSERT_TRUE(SetCurrentDirectoryW(windows));
  TunnelLibrary library;
  EXPECT_EQ(library.load(), TunnelLibrary::Load::Loaded);
  library.unload();
  ClientState::instance().isWow64 = 1;
  std::wstring message;
  EXPECT_TRUE(installVirtualAdapterDriver(message)) << toUtf8(message);
  EXPECT_TRUE(removeVirtualAdapters(message)) << toUtf8(message);
}

}  // namespace
}  // namespace kestro
