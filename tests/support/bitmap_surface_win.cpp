#include "tests/support/bitmap_surface_win.h"

namespace kestro::test {

BitmapSurface::BitmapSurface(int width, int height)
    : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
  bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
  before_ = SelectObject(dc_, bitmap_);
}

BitmapSurface::~BitmapSurface() {
  SelectObject(dc_, before_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

uint32_t BitmapSurface::at(int x, int y) const {
  GdiFlush();
  return bits_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF;
}

WindowPixels BitmapSurface::pixels() const {
  WindowPixels out{width_, height_, {}};
  if (bits_ == nullptr) return {};
  GdiFlush();
  out.rgb.assign(bits_, bits_ + static_cast<size_t>(width_) * height_);
  for (uint32_t& pixel : out.rgb) pixel &= 0xFFFFFF;
  return out;
}

}  // namespace kestro::test
