// CSS pixels to device pixels and back. Pages are laid out in CSS pixels; a
// display of `dpi` dots per inch draws each as dpi / 96 device pixels. Both
// sides round the same way, so an edge shared by two boxes stays shared.
#pragma once

#include "htmlayout/types.h"

namespace htmlayout {

inline constexpr int kCssDpi = 96;

struct display_scale {
  int dpi = kCssDpi;

  bool is_identity() const { return dpi == kCssDpi; }
  // Nearest device pixel, halves up: CSS pixel c covers the device pixels
  // from to_device(c) up to, not including, to_device(c + 1).
  int to_device(int css) const { return floor_div(static_cast<long long>(css) * dpi + kCssDpi / 2, kCssDpi); }
  // A line or edge that is there in CSS stays at least one device pixel wide.
  int to_device_width(int css) const {
    if (css <= 0) return 0;
    const int device = to_device(css);
    return device > 0 ? device : 1;
  }
  point to_device(point p) const { return {to_device(p.x), to_device(p.y)}; }
  rect to_device(const rect& r) const { return {to_device(r.left), to_device(r.top), to_device(r.right), to_device(r.bottom)}; }
  // The CSS pixel a device pixel lies in (mouse positions).
  int to_css(int device) const {
    int css = floor_div(static_cast<long long>(device) * kCssDpi, dpi);
    while (to_device(css + 1) <= device) ++css;
    while (to_device(css) > device) --css;
    return css;
  }
  point to_css(point p) const { return {to_css(p.x), to_css(p.y)}; }
  // A device length measured by the system (a text's width, a font's ascent)
  // in whole CSS pixels, never shorter than what was measured.
  int to_css_ceil(int device) const { return -floor_div(-static_cast<long long>(device) * kCssDpi, dpi); }
  // A picture's size in CSS pixels when it was drawn at this scale.
  int to_css_nearest(int device) const {
    return floor_div(static_cast<long long>(device) * kCssDpi * 2 + dpi, static_cast<long long>(dpi) * 2);
  }
  // The CSS rectangle that covers every device pixel of `r`.
  rect to_css_covering(const rect& r) const {
    return {to_css(r.left), to_css(r.top), to_css_ceil(r.right), to_css_ceil(r.bottom)};
  }

 private:
  static int floor_div(long long n, long long d) {
    const long long q = n / d;
    return static_cast<int>((n % d != 0 && (n < 0) != (d < 0)) ? q - 1 : q);
  }
};

}  // namespace htmlayout
