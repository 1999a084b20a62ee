// The Win32 host in a real window: timers run from WM_TIMER, posted events
// arrive through the message loop, the hit test answers for the page's
// controls, pictures come through the load-data callback.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/win32/window_host_win.h"
#include "tests/support/wine_host_win.h"

namespace htmlayout {
namespace {

int ticks = 0;
std::vector<std::wstring> asked;

class ticker : public behavior {
 public:
  ticker() : behavior(HANDLE_TIMER, "test-ticker") {}
  void attached(HELEMENT he) override { dom::element(he).set_timer(20); }
  bool handle_timer(HELEMENT, TIMER_PARAMS&) override { return ++ticks < 3; }
};
ticker the_ticker;

class host_window : public event_handler, public notification_handler<host_window> {
 public:
  host_window() : event_handler(HANDLE_BEHAVIOR_EVENT) {}
  unsigned on_load_data(NMHL_LOAD_DATA* n) {
    asked.push_back(n->uri);
    return 0;
  }
  bool on_event(HELEMENT, HELEMENT, BEHAVIOR_EVENTS type, uintptr_t reason) override {
    if (type == TABLE_ROW_CLICK) last_reason = reason;
    return false;
  }
  uintptr_t last_reason = 0;
};

LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  BOOL handled = FALSE;
  LRESULT r = HTMLayoutProcND(hwnd, msg, wp, lp, &handled);
  if (handled) return r;
  if (msg == WM_NCHITTEST) return HTCAPTION;  // what the windows do in their top strip
  return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST(WindowHost, TimersPostedEventsHitTestAndResources) {
  wchar_t display[64] = {};
  if (!GetEnvironmentVariableW(L"DISPLAY", display, 64)) GTEST_SKIP() << "needs a display (Xvfb)";
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KestroPageEngineHostTest";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(hwnd, nullptr);
  host_window win;
  HTMLayoutSetCallback(hwnd, &host_window::callback, &win);
  const std::string page = "<div id=t style='behavior: test-ticker; height: 20px'></div>"
                           "<button id=b style='position:absolute; left:0; top:40px'>x</button><img src='PIC.PNG'>";
  ASSERT_TRUE(HTMLayoutLoadHtml(hwnd, reinterpret_cast<const uint8_t*>(page.data()), page.size()));
  EXPECT_FALSE(HTMLayoutLoadHtml(hwnd, nullptr, 0));
  HTMLayoutWindowAttachEventHandler(hwnd, &win, HANDLE_ALL);
  EXPECT_EQ(asked, std::vector<std::wstring>{L"PIC.PNG"});

  kestro::test::pumpMessages(3000, [&] { return ticks >= 3; });
  EXPECT_EQ(ticks, 3);  // the behavior let the timer go after its third tick

  dom::element root = HTMLayoutGetRootElement(hwnd);
  root.find_by_id(L"t").post_event(TABLE_ROW_CLICK, 7);
  EXPECT_TRUE(kestro::test::pumpMessages(2000, [&] { return win.last_reason == 7; }));

  POINT on_button{5, 45}, on_page{150, 5};
  ClientToScreen(hwnd, &on_button);
  ClientToScreen(hwnd, &on_page);
  EXPECT_EQ(SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(on_button.x, on_button.y)), HTCLIENT);
  EXPECT_EQ(SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(on_page.x, on_page.y)), HTCAPTION);
  HTMLayoutWindowDetachEventHandler(hwnd, &win);
  DestroyWindow(hwnd);
  EXPECT_EQ(HTMLayoutGetRootElement(hwnd), nullptr);
}

}  // namespace
}  // namespace htmlayout
