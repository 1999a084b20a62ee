#include "htmlayout/recording_canvas.h"

#include <cstdio>

#include "base/text_convert.h"
#include "htmlayout/display_scale.h"
#include "htmlayout/text_breaks.h"

namespace htmlayout {
namespace {

std::string box_text(const rect& r) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d,%d %dx%d", r.left, r.top, r.width(), r.height());
  return buf;
}

std::string hex(color c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%08x", c);
  return buf;
}

}  // namespace

point picture_size(const uint8_t* b, size_t n) {
  if (n >= 24 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') {
    auto be32 = [&](size_t i) { return static_cast<int>((b[i] << 24) | (b[i + 1] << 16) | (b[i + 2] << 8) | b[i + 3]); };
    return {be32(16), be32(20)};
  }
  if (n >= 10 && b[0] == 'G' && b[1] == 'I' && b[2] == 'F') return {b[6] | (b[7] << 8), b[8] | (b[9] << 8)};
  return {};
}

font_metrics recording_canvas::metrics(const font_spec& font) {
  return {font.size * 4 / 5, font.size - font.size * 4 / 5};
}

int recording_canvas::text_width(const font_spec& font, std::wstring_view text) {
  int w = 0;
  for (wchar_t c : text) w += is_cjk(c) ? font.size : font.size / 2;
  return w;
}

bool recording_canvas::load_image(const std::wstring& url, const uint8_t* bytes, size_t size, int density_dpi) {
  point p = picture_size(bytes, size);
  if (p.x <= 0 || p.y <= 0 || density_dpi <= 0) return false;
  const display_scale density{density_dpi};
  p = {density.to_css_nearest(p.x), density.to_css_nearest(p.y)};
  images_[url] = p;
  return true;
}

point recording_canvas::image_size(const std::wstring& url) {
  auto it = images_.find(url);
  return it == images_.end() ? point{} : it->second;
}

void recording_canvas::fill_rect(const rect& box, color fill, int radius) {
  calls.push_back("fill " + box_text(box) + " " + hex(fill) + (radius ? " r" + std::to_string(radius) : ""));
}

void recording_canvas::draw_border(const rect& box, const int widths[4], const color colors[4], int) {
  calls.push_back("border " + box_text(box) + " " + std::to_string(widths[0]) + " " + hex(colors[0]));
}

void recording_canvas::draw_text(const font_spec& font, int x, int baseline_y, std::wstring_view text, color ink) {
  calls.push_back("text " + std::to_string(x) + "," + std::to_string(baseline_y) + " " + std::to_string(font.size) + "px " +
                  hex(ink) + " \"" + kestro::toUtf8(text) + "\"");
}

void recording_canvas::draw_line(point from, point to, int width, color ink) {
  calls.push_back("line " + std::to_string(from.x) + "," + std::to_string(from.y) + " " + std::to_string(to.x) + "," +
                  std::to_string(to.y) + " " + std::to_string(width) + " " + hex(ink));
}

void recording_canvas::draw_image(const std::wstring& url, const rect& box, repeat_t repeat) {
  calls.push_back("image " + box_text(box) + " " + kestro::toUtf8(url) + " " + std::to_string(static_cast<int>(repeat)));
}

void recording_canvas::push_clip(const rect& box) {
  ++clip_depth_;
  calls.push_back("clip " + box_text(box));
}

void recording_canvas::pop_clip() {
  --clip_depth_;
  calls.push_back("unclip");
}

}  // namespace htmlayout
