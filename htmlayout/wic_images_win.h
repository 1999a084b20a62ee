// Pictures decoded with WIC (PNG with alpha, GIF, JPEG, BMP) into
// premultiplied 32-bit DIB sections, drawn with AlphaBlend.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "htmlayout/style.h"
#include "htmlayout/types.h"

namespace htmlayout {

class wic_images {
 public:
  wic_images() = default;
  ~wic_images();
  wic_images(const wic_images&) = delete;
  wic_images& operator=(const wic_images&) = delete;

  bool load(const std::wstring& url, const uint8_t* bytes, size_t size);
  point size(const std::wstring& url) const;
  size_t frame_count(const std::wstring& url) const;
  // Draws into `dc`: stretched to `box`, tiled from its top left, or once.
  // Animated GIFs show the frame of the moment; true when it was one.
  bool draw(HDC dc, const std::wstring& url, const rect& box, repeat_t repeat) const;

 private:
  struct picture {
    std::vector<HBITMAP> frames;
    std::vector<int> delays_ms;  // how long each frame shows
    int total_ms = 0;
    int width = 0, height = 0;
  };
  std::map<std::wstring, picture> pictures_;
};

}  // namespace htmlayout
