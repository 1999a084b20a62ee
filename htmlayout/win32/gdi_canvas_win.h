// The engine's canvas on GDI: measuring with a memory DC, drawing into the
// DC of the current paint (a back buffer), pictures through WIC. The engine
// speaks CSS pixels; this canvas maps them to the device pixels of its scale.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/unique_gdi_win.h"
#include "htmlayout/canvas.h"
#include "htmlayout/display_scale.h"
#include "htmlayout/win32/font_cache_win.h"
#include "htmlayout/win32/wic_images_win.h"

namespace htmlayout {

class gdi_canvas : public canvas {
 public:
  gdi_canvas();
  gdi_canvas(const gdi_canvas&) = delete;
  gdi_canvas& operator=(const gdi_canvas&) = delete;

  // The DC drawn into until the next call; null stops drawing.
  void set_target(HDC dc) { target_ = dc; }
  // Whether an animated picture was drawn since the last call.
  bool take_animated() { bool a = animated_; animated_ = false; return a; }
  font_cache& fonts() { return fonts_; }
  // The display's scale; measurements taken at another scale are forgotten.
  void set_scale(display_scale scale);
  const display_scale& scale() const { return scale_; }
  // The GDI font that draws `font` at this scale (native controls use it too).
  HFONT device_font(const font_spec& font, std::wstring_view text);

  font_metrics metrics(const font_spec& font) override;
  int text_width(const font_spec& font, std::wstring_view text) override;
  bool load_image(const std::wstring& url, const uint8_t* bytes, size_t size, int density_dpi) override;
  point image_size(const std::wstring& url) override;
  void fill_rect(const rect& box, color fill, int radius) override;
  void draw_border(const rect& box, const int widths[4], const color colors[4], int radius) override;
  void draw_text(const font_spec& font, int x, int baseline_y, std::wstring_view text, color ink) override;
  void draw_line(point from, point to, int width, color ink) override;
  void draw_image(const std::wstring& url, const rect& box, repeat_t repeat) override;
  void push_clip(const rect& box) override;
  void pop_clip() override;
  void* native_surface() override { return target_; }

 private:
  void fill_device(const rect& box, color fill, int radius);

  kestro::UniqueMemoryDc measure_;  // text is measured in it
  display_scale scale_;
  HDC target_ = nullptr;
  font_cache fonts_;
  wic_images images_;
  std::vector<int> saved_;
  bool animated_ = false;
  std::vector<std::pair<font_spec, font_metrics>> metrics_;  // few fonts per page: a list is enough
  // Widths of short runs by font: layout measures every word and every CJK
  // character on its own, and a long list repeats them many times.
  std::map<HFONT, text_map<int>> widths_;
  size_t width_count_ = 0;
};

COLORREF to_colorref(color c);

}  // namespace htmlayout
