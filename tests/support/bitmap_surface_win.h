// A 32-bit top-down bitmap selected into a memory device context: GDI draws
// into it (or copies a window into it), and the tests read its pixels back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace kestro::test {

// Pixels read back: rows from the top, each pixel 0x00RRGGBB.
struct WindowPixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;
};

class BitmapSurface {
 public:
  BitmapSurface(int width, int height);
  ~BitmapSurface();
  BitmapSurface(const BitmapSurface&) = delete;
  BitmapSurface& operator=(const BitmapSurface&) = delete;

  HDC dc() const { return dc_; }
  // 0x00RRGGBB of one pixel, once GDI has finished drawing.
  uint32_t at(int x, int y) const;
  WindowPixels pixels() const;
  // The pixels as GDI keeps them (0x00RRGGBB in 32 bits, the top row first).
  const uint32_t* bits() const { return bits_; }

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ before_ = nullptr;
  uint32_t* bits_ = nullptr;
};

}  // namespace kestro::test
