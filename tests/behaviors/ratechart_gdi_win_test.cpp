// The rate chart drawn with GDI into a bitmap, as the main window paints it.
#include <windows.h>

#include <gtest/gtest.h>

#include "htmlayout/win32/gdi_canvas_win.h"
#include "tests/support/bitmap_surface_win.h"
#include "ui/behaviors/rate_chart_drawing.h"
#include "ui/behaviors/ratechart.h"

namespace htmlayout {
namespace {

using kestro::test::BitmapSurface;

TEST(RateChartGdi, FrameGridCurvesAndLegendReachTheBitmap) {
  BitmapSurface surface(600, 200);
  gdi_canvas gfx;
  gfx.set_target(surface.dc());
  std::deque<int64_t> up(ratechart::kSamples, 0), down(ratechart::kSamples, 0);
  up.back() = 15360;  // three steps of 5120: 75 px up
  rate_chart_input in;
  in.area = {0, 0, 600, 200};
  in.up = &up;
  in.down = &down;
  draw_rate_chart(gfx, in);

  EXPECT_EQ(surface.at(76, 100), 0x449B58u);   // frame, 2 px
  EXPECT_EQ(surface.at(301, 100), 0xFFFFFFu);  // inside the plot
  EXPECT_EQ(surface.at(300, 100), 0x449B58u);  // vertical grid line at x0 + 225
  EXPECT_EQ(surface.at(300, 198), 0x0000FFu);  // the down curve lies over the bottom line
  EXPECT_EQ(surface.at(500, 12), 0xFF0000u);   // legend lines
  EXPECT_EQ(surface.at(500, 37), 0x0000FFu);
  EXPECT_EQ(surface.at(575, 25), 0xFFFFFFu);   // no grid line through the legend's ground
  EXPECT_EQ(surface.at(575, 60), 0x449B58u);   // below it the grid line again
  int red_above = 0;  // the up curve's last segment climbs to y 123
  for (int y = 120; y < 198; ++y) red_above += surface.at(519, y) == 0xFF0000u;
  EXPECT_GT(red_above, 0);
}

TEST(RateChartGdi, AtOneAndAHalfTimesEveryPartLiesAtItsPlaceInDevicePixels) {
  // The chart is drawn in CSS pixels; at 144 DPI the canvas puts each where
  // 1.5 times its place falls, lines and the frame thickened to match.
  const display_scale scale{144};
  BitmapSurface surface(scale.to_device(600), scale.to_device(200));
  gdi_canvas gfx;
  gfx.set_scale(scale);
  gfx.set_target(surface.dc());
  std::deque<int64_t> up(ratechart::kSamples, 0), down(ratechart::kSamples, 0);
  up.back() = 15360;
  rate_chart_input in;
  in.area = {0, 0, 600, 200};
  in.up = &up;
  in.down = &down;
  draw_rate_chart(gfx, in);
  const auto at = [&](int x, int y) { return surface.at(scale.to_device(x), scale.to_device(y)); };
  // The frame's 2 CSS pixels from x 75 are device pixels 113 to 115.
  const int frame = scale.to_device(75), row = scale.to_device(100);
  EXPECT_EQ(surface.at(frame, row), 0x449B58u);
  EXPECT_EQ(surface.at(frame + 2, row), 0x449B58u) << "the frame is 3 device pixels wide";
  EXPECT_EQ(surface.at(frame + 3, row), 0xFFFFFFu);
  EXPECT_EQ(at(302, 100), 0xFFFFFFu);  // inside the plot
  EXPECT_EQ(at(300, 100), 0x449B58u);  // the vertical grid line
  EXPECT_EQ(at(500, 12), 0xFF0000u);   // legend lines
  EXPECT_EQ(at(500, 37), 0x0000FFu);
  EXPECT_EQ(at(575, 25), 0xFFFFFFu);   // the legend's ground
  EXPECT_EQ(at(575, 60), 0x449B58u);
}

}  // namespace
}  // namespace htmlayout
