// A canvas with fixed font metrics that records every draw call as a line of
// text: the engine's layout and painting are tested with it, and the
// benchmark measures the engine without a window system.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "htmlayout/canvas.h"

namespace htmlayout {

class recording_canvas : public canvas {
 public:
  // Every character is half the font size wide, CJK ones the full size;
  // ascent is 4/5 of the size, descent the rest.
  font_metrics metrics(const font_spec& font) override;
  int text_width(const font_spec& font, std::wstring_view text) override;
  // Reads the size from a PNG or GIF header.
  bool load_image(const std::wstring& url, const uint8_t* bytes, size_t size, int density_dpi) override;
  point image_size(const std::wstring& url) override;
  void fill_rect(const rect& box, color fill, int radius) override;
  void draw_border(const rect& box, const int widths[4], const color colors[4], int radius) override;
  void draw_text(const font_spec& font, int x, int baseline_y, std::wstring_view text, color ink) override;
  void draw_line(point from, point to, int width, color ink) override;
  void draw_image(const std::wstring& url, const rect& box, repeat_t repeat) override;
  void push_clip(const rect& box) override;
  void pop_clip() override;

  std::vector<std::string> calls;

 private:
  std::map<std::wstring, point> images_;
  int clip_depth_ = 0;
};

// The size of a PNG or GIF from its header; {0,0} for anything else.
point picture_size(const uint8_t* bytes, size_t size);

}  // namespace htmlayout
