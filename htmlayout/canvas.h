// The one interface through which the engine measures and draws. The engine
// never draws by itself: a GDI canvas paints windows, a fixed-metrics canvas
// serves the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "htmlayout/style.h"
#include "htmlayout/types.h"

namespace htmlayout {

struct font_spec {
  std::wstring family;  // the CSS font-family list
  int size = 12;
  int weight = 400;
  bool underline = false;
  bool operator==(const font_spec&) const = default;
};

struct font_metrics {
  int ascent = 0, descent = 0;
  int height() const { return ascent + descent; }
};

class canvas {
 public:
  virtual ~canvas() = default;
  // Ascent and descent of the font that draws `font`.
  virtual font_metrics metrics(const font_spec& font) = 0;
  // Advance width of `text` in `font`, in pixels.
  virtual int text_width(const font_spec& font, std::wstring_view text) = 0;
  // Takes the bytes of an image drawn for a display of `density_dpi` (96: one
  // picture pixel per CSS pixel, 192: two); false when they are not a picture
  // it can draw.
  virtual bool load_image(const std::wstring& url, const uint8_t* bytes, size_t size, int density_dpi) = 0;
  // The natural size of a loaded image in CSS pixels; {0,0} when it is not loaded.
  virtual point image_size(const std::wstring& url) = 0;
  // Fills `box` (corners rounded by `radius`) with a colour that may be translucent.
  virtual void fill_rect(const rect& box, color fill, int radius) = 0;
  // Draws the four edges (top, right, bottom, left) inside `box`.
  virtual void draw_border(const rect& box, const int widths[4], const color colors[4], int radius) = 0;
  // Draws `text` with its baseline at `baseline_y` starting at `x`.
  virtual void draw_text(const font_spec& font, int x, int baseline_y, std::wstring_view text, color ink) = 0;
  // Draws a straight line `width` pixels wide from `from` up to, not including, `to`.
  virtual void draw_line(point from, point to, int width, color ink) = 0;
  // Draws a loaded image into `box`: stretched, tiled, or once at the top left.
  virtual void draw_image(const std::wstring& url, const rect& box, repeat_t repeat) = 0;
  // Narrows drawing to `box` until the matching pop_clip.
  virtual void push_clip(const rect& box) = 0;
  virtual void pop_clip() = 0;
  // The native device context behaviors may draw into (HDC on Windows), or null.
  virtual void* native_surface() { return nullptr; }
};

}  // namespace htmlayout
