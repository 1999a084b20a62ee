// The windows on a display of 150 % or 200 % scale, as a laptop user sees
// them: each case runs in a Wine prefix of 144 DPI and in one of 192 DPI
// (tests/display/CMakeLists.txt). Pages keep their CSS layout; what the
// window shows is that layout in device pixels, drawn at full resolution.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/client_state.h"
#include "htmlayout/box_dump.h"
#include "htmlayout/display_scale.h"
#include "htmlayout/win32/wic_images_win.h"
#include "htmlayout/win32/window_host_win.h"
#include "tests/support/demo_main_window_win.h"
#include "tests/support/golden_file.h"
#include "tests/support/service_url_win.h"
#include "tests/support/ui_driver_win.h"
#include "tests/support/window_checks_win.h"
#include "tests/support/wine_host_win.h"
#include "ui/host/message_window_win.h"
#include "ui/host/resource_lookup_win.h"
#include "ui/login/login_window_win.h"
#include "ui/main/main_window_win.h"

namespace kestro {
namespace {

using namespace kestro::test;

// What every program of this prefix is told about the display.
htmlayout::display_scale systemScale() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return {dpi};
}

int channelGap(uint32_t a, uint32_t b) {
  int gap = 0;
  for (int shift : {0, 8, 16}) gap = std::max(gap, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  return gap;
}

// Along row `y` from `from` (the ground beside a picture) towards `to` (well
// inside it): how many pixels lie between the ground's colour and the
// inside's. A picture drawn for the display's scale has its anti-aliased
// edge in one device pixel at most; one made larger from fewer pixels smears
// it over two or more.
int edgeWidth(const WindowPixels& pixels, int y, int from, int to) {
  const auto at = [&](int x) { return pixels.rgb[static_cast<size_t>(y) * pixels.width + x]; };
  const uint32_t ground = at(from), inside = at(to);
  int between = 0;
  for (int x = from; x != to; x += from < to ? 1 : -1)
    if (channelGap(at(x), ground) > 24 && channelGap(at(x), inside) > 24) ++between;
  return between;
}

// The message icon's picture at 96 DPI, made as large as the display needs:
// what the window would show with no picture drawn for its scale.
WindowPixels enlargedIcon(const htmlayout::display_scale& scale) {
  const auto bytes = findProgramResource(L"MICONQUESTION.PNG");
  htmlayout::wic_images images;
  if (!bytes || !images.load(L"MICONQUESTION.PNG", bytes->data(), bytes->size(), htmlayout::kCssDpi)) return {};
  const int side = scale.to_device(48);
  const BitmapSurface surface(side, side);
  RECT all{0, 0, side, side};
  FillRect(surface.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  images.draw(surface.dc(), L"MICONQUESTION.PNG", {0, 0, side, side}, htmlayout::repeat_t::STRETCH, scale);
  return surface.pixels();
}

std::string dpiName(const htmlayout::display_scale& scale) { return std::to_string(scale.dpi); }

class DisplayScale : public DemoMainWindow {
 protected:
  void SetUp() override {
    ASSERT_GT(scale_.dpi, htmlayout::kCssDpi) << "this prefix stands for a 96 DPI display; the cases run in the "
                                                 "display-144 and display-192 prefixes that scripts/test makes";
    DemoMainWindow::SetUp();
  }

  int at(int css) const { return scale_.to_device(css); }

  const htmlayout::display_scale scale_ = systemScale();
};

TEST_F(DisplayScale, TheMessageWindowIsDrawnAtScaleAndAnswersWhereItsButtonsAreDrawn) {
  int32_t answer = 0;
  {
    Driver driver([&] {
      HWND window = waitForVisibleWindow(kMessageWindowClass, 20000);
      ASSERT_NE(window, nullptr);
      EXPECT_EQ(htmlayout::HTMLayoutWindowDpi(window), scale_.dpi);
      expectCentredAndRounded(window, at(372), at(201));
      expectDragStrip(window, {at(100), at(10)}, {at(100), at(60)});
      const WindowPixels pixels = windowPixels(ui_, window);
      saveWindowPicture(pixels, "display-" + dpiName(scale_) + "-message-question");

      // The text in a font of its CSS size at scale: CJK glyphs of a 12 px
      // font stand about 11 px high.
      const RECT text = inkBox(pixels, elementBox(ui_, window, L"#txtmessage"));
      EXPECT_GE(text.bottom - text.top, at(9)) << "the message text is not drawn at scale";
      EXPECT_LE(text.bottom - text.top, at(14));

      // The icon: its own picture for this scale, with edges one device pixel wide.
      const RECT icon = elementBox(ui_, window, L"#imgmessage");
      EXPECT_EQ(icon.right - icon.left, at(48));
      const RECT ink = inkBox(pixels, icon);
      EXPECT_GE(ink.right - ink.left, at(42));
      const int middle = icon.top + at(24);
      EXPECT_LE(edgeWidth(pixels, middle, icon.left, icon.left + at(8)), 1) << "the icon's left edge is blurred";
      EXPECT_LE(edgeWidth(pixels, middle, icon.right - 1, icon.right - 1 - at(8)), 1) << "its right edge is blurred";
      const WindowPixels enlarged = enlargedIcon(scale_);
      ASSERT_EQ(enlarged.width, at(48));
      EXPECT_GE(edgeWidth(enlarged, at(24), 0, at(8)) + edgeWidth(enlarged, at(24), at(48) - 1, at(40) - 1), 3)
          << "the check cannot tell an enlarged picture from a sharp one";

      // The button face is drawn where the page has the button, and a click
      // in its middle presses it.
      const RECT no = elementBox(ui_, window, L"#btnno");
      EXPECT_EQ(no.right - no.left, at(60));
      // Its border (#b5cbbb) starts at the box's first device pixel, in both directions.
      const auto pixel = [&](int x, int y) { return pixels.rgb[static_cast<size_t>(y) * pixels.width + x]; };
      const int row = (no.top + no.bottom) / 2, column = (no.left + no.right) / 2;
      constexpr uint32_t kBorder = 0xB5CBBB;
      EXPECT_LE(channelGap(pixel(no.left, row), kBorder), 40) << "no border at the button's left edge";
      EXPECT_GT(channelGap(pixel(no.left - 1, row), kBorder), 40) << "the border begins left of the button";
      EXPECT_LE(channelGap(pixel(no.right - 1, row), kBorder), 40) << "no border at the button's right edge";
      EXPECT_GT(channelGap(pixel(no.right, row), kBorder), 40) << "the border reaches past the button";
      EXPECT_LE(channelGap(pixel(column, no.bottom - 1), kBorder), 40) << "no border at the button's bottom edge";
      EXPECT_GT(channelGap(pixel(column, no.bottom), kBorder), 40) << "the border reaches below the button";
      const POINT centre = elementCentre(ui_, window, L"#btnno");
      EXPECT_TRUE(clickUntil(window, centre.x, centre.y, [&] { return !IsWindow(window); }));
    });
    CMessageWindow question(L"是否退出泓迈网游加速器？", MessageIcon::Question, MessageButtons::YesNo);
    answer = question.run(nullptr);
  }
  EXPECT_EQ(answer, 2) << "the click at the drawn 否 did not answer No";
}

TEST_F(DisplayScale, AChangeOfDisplayRelaysOutTheWindowAtTheSizeWindowsSuggests) {
  // Moved to a monitor of 96 DPI: Windows sends WM_DPICHANGED with the
  // rectangle the window should take there.
  int32_t answer = 0;
  {
    Driver driver([&] {
      HWND window = waitForVisibleWindow(kMessageWindowClass, 20000);
      ASSERT_NE(window, nullptr);
      RECT before{};
      GetWindowRect(window, &before);
      RECT suggested{before.left, before.top, before.left + 372, before.top + 201};
      ui_.run([&] { SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested)); });
      EXPECT_EQ(htmlayout::HTMLayoutWindowDpi(window), 96);
      RECT after{};
      GetWindowRect(window, &after);
      EXPECT_EQ(after.right - after.left, 372);
      EXPECT_EQ(after.bottom - after.top, 201);
      HRGN region = CreateRectRgn(0, 0, 0, 0);
      GetWindowRgn(window, region);
      RECT bounds{};
      GetRgnBox(region, &bounds);
      DeleteObject(region);
      EXPECT_EQ(bounds.right, 372) << "the region kept the old scale";
      const WindowPixels pixels = windowPixels(ui_, window);
      saveWindowPicture(pixels, "display-" + dpiName(scale_) + "-message-moved-to-96");
      // The 96 DPI icon fills its 48 pixels; the page fills the window.
      const RECT icon = elementBox(ui_, window, L"#imgmessage");
      EXPECT_EQ(icon.right - icon.left, 48);
      const RECT ink = inkBox(pixels, icon);
      EXPECT_GE(ink.right - ink.left, 42);
      EXPECT_LE(ink.right - ink.left, 48);
      EXPECT_EQ(elementBox(ui_, window, L"#btnclose").right, 372);
      const POINT centre = elementCentre(ui_, window, L"#btnno");
      EXPECT_TRUE(clickUntil(window, centre.x, centre.y, [&] { return !IsWindow(window); }));
    });
    CMessageWindow question(L"是否退出泓迈网游加速器？", MessageIcon::Question, MessageButtons::YesNo);
    answer = question.run(nullptr);
  }
  EXPECT_EQ(answer, 2);
}

TEST_F(DisplayScale, TheLoginWindowPlacesItsBoxesAndFontsAtScale) {
  ClientState::instance().loggedIn = 0;
  ASSERT_TRUE(referenceServiceAnswers());
  runWindowWith(kLoginWindowClass, runLoginWindow, [&](HWND window) {
    expectCentredAndRounded(window, at(357), at(270));

    // The name box's edit control lies on the box's content and types in a
    // font of the page's size at scale.
    HWND edit = nullptr;
    RECT placed{};
    ui_.run([&] {
      // The upper of the two controls.
      for (HWND next = FindWindowExW(window, nullptr, L"EDIT", nullptr); next != nullptr;
           next = FindWindowExW(window, next, L"EDIT", nullptr)) {
        RECT box{};
        GetWindowRect(next, &box);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        if (edit == nullptr || box.top < placed.top) {
          edit = next;
          placed = box;
        }
      }
    });
    ASSERT_NE(edit, nullptr);
    RECT content{};
    ui_.run([&] {
      const htmlayout::dom::element box = htmlayout::dom::element(htmlayout::HTMLayoutGetRootElement(window)).find_by_id(L"txtusername");
      const htmlayout::rect css = box.get_content_location();
      const htmlayout::rect device = scale_.to_device(css);
      content = {device.left, device.top, device.right, device.bottom};
    });
    EXPECT_EQ(placed.left, content.left);
    EXPECT_EQ(placed.top, content.top);
    EXPECT_EQ(placed.right, content.right);
    EXPECT_EQ(placed.bottom, content.bottom);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -at(12)) << "the edit control's font is not at scale";

    const POINT name = elementCentre(ui_, window, L"#txtusername");
    EXPECT_TRUE(typeInto(ui_, window, name.x, name.y, L"txtusername", "kestro"));
    const POINT close = elementCentre(ui_, window, L"#btnclose");
    EXPECT_TRUE(clickUntil(window, close.x, close.y, [&] { return !IsWindow(window); }));
  });
}

// A window of the program at its CSS size, opened for `steps`.
struct ScaledPage {
  const char* name;
  int width;
  int height;
  void (*open)(const std::function<void(HWND)>& steps);
};

void PrintTo(const ScaledPage& page, std::ostream* out) { *out << page.name; }

void openLogin(const std::function<void(HWND)>& steps) {
  ClientState::instance().loggedIn = 0;
  ASSERT_TRUE(referenceServiceAnswers());
  runWindowWith(kLoginWindowClass, runLoginWindow, steps);
}

void openMain(const std::function<void(HWND)>& steps) {
  ASSERT_TRUE(referenceServiceAnswers());
  const UiThreadCall ui;
  runWindowWith(kMainWindowClass, runMainWindow, [&](HWND window) {
    // The announcements in, so the page is as it stays.
    ASSERT_TRUE(waitUntil([&] { return elementDisplay(ui, window, L"loadingannounce") == L"none"; }, 20000));
    steps(window);
  });
}

void openMessage(const std::function<void(HWND)>& steps) {
  Driver driver([&] {
    HWND window = waitForVisibleWindow(kMessageWindowClass, 20000);
    ASSERT_NE(window, nullptr);
    steps(window);
  });
  CMessageWindow(L"请输入用户帐号名称！").run(nullptr);
}

// Each page's boxes in device pixels against tests/display/golden/<page>-<dpi>.expected.
class PageAtScale : public DisplayScale, public testing::WithParamInterface<ScaledPage> {};

TEST_P(PageAtScale, LaysOutAsItsGoldenDump) {
  const ScaledPage& page = GetParam();
  page.open([&](HWND window) {
    RECT box{};
    GetWindowRect(window, &box);
    EXPECT_EQ(box.right - box.left, at(page.width));
    EXPECT_EQ(box.bottom - box.top, at(page.height));
    saveWindowPicture(windowPixels(ui_, window), "display-" + dpiName(scale_) + "-" + page.name);
    std::string dump;
    ui_.run([&] {
      if (htmlayout::document* doc = htmlayout::HTMLayoutDocument(window))
        dump = htmlayout::dump_boxes(*doc, {htmlayout::HTMLayoutWindowDpi(window)});
    });
    EXPECT_TRUE(matchesGoldenFile(hostPath(KESTRO_SOURCE_DIR "/tests/display/golden"),
                                  page.name + ("-" + dpiName(scale_)), dump));
  });
}

INSTANTIATE_TEST_SUITE_P(DisplayScale, PageAtScale,
                         testing::Values(ScaledPage{"login", 357, 270, openLogin}, ScaledPage{"main", 750, 489, openMain},
                                         ScaledPage{"message", 372, 201, openMessage}),
                         [](const testing::TestParamInfo<ScaledPage>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestro
