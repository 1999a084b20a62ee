// Pictures decoded with WIC (PNG with alpha, GIF, JPEG, BMP) into
// premultiplied 32-bit DIB sections, drawn with AlphaBlend.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "base/unique_gdi_win.h"
#include "htmlayout/display_scale.h"
#include "htmlayout/style.h"
#include "htmlayout/types.h"

namespace htmlayout {

class wic_images {
 public:
  wic_images() = default;
  wic_images(const wic_images&) = delete;
  wic_images& operator=(const wic_images&) = delete;

  // A picture drawn for a display of `density_dpi` (see canvas::load_image).
  bool load(const std::wstring& url, const uint8_t* bytes, size_t size, int density_dpi);
  // Its size in CSS pixels.
  point size(const std::wstring& url) const;
  size_t frame_count(const std::wstring& url) const;
  // Draws into `dc` at `scale`, `box` in device pixels: stretched to the box,
  // tiled from its top left, or once. A picture drawn for this scale is
  // copied pixel for pixel; others are resized. Animated GIFs show the frame
  // of the moment; true when it was one.
  bool draw(HDC dc, const std::wstring& url, const rect& box, repeat_t repeat, const display_scale& scale) const;

 private:
  struct picture {
    std::vector<kestro::UniqueGdiObject<HBITMAP>> frames;
    std::vector<int> delays_ms;  // how long each frame shows
    int total_ms = 0;
    int width = 0, height = 0;          // picture pixels
    int css_width = 0, css_height = 0;  // CSS pixels
  };
  std::map<std::wstring, picture> pictures_;
};

}  // namespace htmlayout
