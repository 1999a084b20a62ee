#include "htmlayout/display_scale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "htmlayout/recording_canvas.h"

namespace htmlayout {
namespace {

TEST(DisplayScale, LengthsRoundTheSameWayBothSides) {
  struct Case {
    int dpi, css, device, width, css_back, ceil_back;
  };
  // device: to_device(css); width: to_device_width(css); css_back: to_css(device + 1);
  // ceil_back: to_css_ceil(device + 1).
  const Case cases[] = {
      {96, 7, 7, 7, 8, 8},      {144, 1, 2, 2, 2, 2},    {144, 3, 5, 5, 4, 4},   {144, 357, 536, 536, 358, 358},
      {192, 5, 10, 10, 5, 6},   {120, 1, 1, 1, 1, 2},    {144, -3, -4, 0, -2, -2}, {144, 0, 0, 0, 0, 1},
  };
  for (const Case& c : cases) {
    const display_scale s{c.dpi};
    EXPECT_EQ(s.to_device(c.css), c.device) << c.dpi << " " << c.css;
    EXPECT_EQ(s.to_device_width(c.css), c.width) << c.dpi << " " << c.css;
    EXPECT_EQ(s.to_css(c.device + 1), c.css_back) << c.dpi << " " << c.css;
    EXPECT_EQ(s.to_css_ceil(c.device + 1), c.ceil_back) << c.dpi << " " << c.css;
  }
  // A hairline stays visible at any scale; nothing stays nothing.
  EXPECT_EQ((display_scale{72}.to_device_width(1)), 1);
  EXPECT_EQ((display_scale{144}.to_device_width(0)), 0);
}

TEST(DisplayScale, EveryDevicePixelMapsIntoTheCssPixelThatDrawsIt) {
  for (int dpi : {96, 120, 144, 168, 192, 240}) {
    const display_scale s{dpi};
    for (int css = -20; css < 200; ++css) {
      for (int device = s.to_device(css); device < s.to_device(css + 1); ++device) EXPECT_EQ(s.to_css(device), css) << dpi << " " << device;
    }
    // A repaint of any device rectangle covers it whole when drawn again.
    const rect dirty{13, 7, 101, 55};
    const rect covered = s.to_device(s.to_css_covering(dirty));
    EXPECT_LE(covered.left, dirty.left);
    EXPECT_LE(covered.top, dirty.top);
    EXPECT_GE(covered.right, dirty.right);
    EXPECT_GE(covered.bottom, dirty.bottom);
  }
}

TEST(DisplayScale, PicturesDrawnForADisplayKeepTheirCssSize) {
  // A PNG header of 72 x 36 pixels: 48 x 24 CSS pixels when drawn for 144 DPI.
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                              0, 0, 0, 72, 0, 0, 0, 36, 8, 6, 0, 0, 0};
  recording_canvas canvas;
  ASSERT_TRUE(canvas.load_image(L"A.PNG", png.data(), png.size(), 144));
  EXPECT_EQ(canvas.image_size(L"A.PNG").x, 48);
  EXPECT_EQ(canvas.image_size(L"A.PNG").y, 24);
  ASSERT_TRUE(canvas.load_image(L"B.PNG", png.data(), png.size(), 96));
  EXPECT_EQ(canvas.image_size(L"B.PNG").x, 72);
  // 37 or 38 pixels at 144 DPI both stand for 25 CSS pixels.
  EXPECT_EQ((display_scale{144}.to_css_nearest(38)), 25);
  EXPECT_EQ((display_scale{144}.to_css_nearest(37)), 25);
  EXPECT_FALSE(canvas.load_image(L"C.PNG", png.data(), png.size(), 0));
}

}  // namespace
}  // namespace htmlayout
