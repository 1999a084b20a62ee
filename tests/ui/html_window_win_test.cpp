// What every window shares, with a window of the tests' own.
#include "ui/host/html_window_win.h"

#include <gtest/gtest.h>

#include <array>

namespace kestro {
namespace {

constexpr UINT kReport = WM_USER + 7;

// A window whose page is not among the program's resources.
class PagelessWindow final : public HtmlWindow {
 public:
  PagelessWindow()
      : HtmlWindow({L"KestroUiTestPageless", 0, 0, 200, 100, L"NOSUCHPAGE", L"pageless", SW_SHOWNOACTIVATE},
                   htmlayout::HANDLE_ALL) {}
  bool initialised = false;
  int reports = 0;

 protected:
  std::span<const std::wstring_view> elementIds() const override { return kIds; }
  void initialise() override {
    htmlayout::dom::element text = element(0);
    text.set_text(L"提示");
    setDisplay(1, L"none");
    initialised = true;
  }
  void onWindowMessage(UINT message, WPARAM, LPARAM) override {
    if (message != kReport) return;
    htmlayout::dom::element bar = element(1);
    bar.set_attribute("value", L"50");
    ++reports;
  }
  bool freedWithWindow() const override { return false; }
  bool endsMessageLoop() const override { return false; }

 private:
  static constexpr std::array<std::wstring_view, 2> kIds{L"txtmessage", L"pgslogin"};
};

TEST(HtmlWindow, AMissingPageGivesAnEmptyWindowThatStillWorks) {
  PagelessWindow window;
  ASSERT_TRUE(window.create(GetModuleHandleW(nullptr)));
  const HWND handle = window.window();
  EXPECT_TRUE(IsWindowVisible(handle));
  EXPECT_TRUE(window.initialised);
  EXPECT_EQ(SendMessageW(handle, kReport, 0, 0), 1);
  EXPECT_EQ(window.reports, 1);
  PostMessageW(handle, WM_CLOSE, 0, 0);
  runMessageLoop(handle);
  EXPECT_FALSE(IsWindow(handle));
}

// Every window of a class shows the program's small icon from the system's
// shared copy, which nobody frees: however often windows open (a message
// window opens for every message), no registration leaves an icon behind.
TEST(HtmlWindow, WindowsOfOneClassShareTheSystemsSmallIcon) {
  const HINSTANCE module = GetModuleHandleW(nullptr);
  const auto shared = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(128), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                    LR_SHARED));
  ASSERT_NE(shared, nullptr) << "the test program carries the program's icon";
  for (int opened = 0; opened < 2; ++opened) {
    PagelessWindow window;
    ASSERT_TRUE(window.create(module));
    const HWND handle = window.window();
    EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrW(handle, GCLP_HICONSM)), shared) << opened;
    PostMessageW(handle, WM_CLOSE, 0, 0);
    runMessageLoop(handle);
  }
}

}  // namespace
}  // namespace kestro
