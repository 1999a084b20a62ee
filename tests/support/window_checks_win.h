// What every window of the program shares, checked on a live window.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

namespace kestro::test {

// Centred on the primary screen with the given size, corners cut by the
// 4 x 4 rounded region, edges kept.
inline void expectCentredAndRounded(HWND window, int width, int height) {
  RECT box{};
  GetWindowRect(window, &box);
  EXPECT_EQ(box.right - box.left, width);
  EXPECT_EQ(box.bottom - box.top, height);
  EXPECT_EQ(box.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
  EXPECT_EQ(box.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);

  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(window, region), ERROR);
  RECT bounds{};
  GetRgnBox(region, &bounds);
  EXPECT_EQ(bounds.left, 0);
  EXPECT_EQ(bounds.top, 0);
  for (POINT corner : {POINT{0, 0}, POINT{width - 1, 0}, POINT{0, height - 1}, POINT{width - 1, height - 1}})
    EXPECT_FALSE(PtInRegion(region, corner.x, corner.y)) << corner.x << "," << corner.y;
  for (POINT inside : {POINT{width / 2, 0}, POINT{0, height / 2}, POINT{width - 1, height / 2}, POINT{2, 2}})
    EXPECT_TRUE(PtInRegion(region, inside.x, inside.y)) << inside.x << "," << inside.y;
  DeleteObject(region);
}

// The top strip drags the window; below it the page takes the mouse.
inline void expectDragStrip(HWND window, POINT idleInStrip, POINT belowStrip) {
  for (auto [point, expected] : {std::pair{idleInStrip, HTCAPTION}, std::pair{belowStrip, HTCLIENT}}) {
    ClientToScreen(window, &point);
    EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y)), expected);
  }
}

}  // namespace kestro::test
