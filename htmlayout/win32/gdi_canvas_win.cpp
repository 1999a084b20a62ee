#include "htmlayout/win32/gdi_canvas_win.h"

#include <algorithm>

#include "base/unique_gdi_win.h"

namespace htmlayout {

using kestro::ScopedSelection;
using kestro::UniqueGdiObject;
using kestro::UniqueMemoryDc;

COLORREF to_colorref(color c) { return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

gdi_canvas::gdi_canvas() : measure_(nullptr) {}

void gdi_canvas::set_scale(display_scale scale) {
  if (scale.dpi <= 0 || scale.dpi == scale_.dpi) return;
  scale_ = scale;
  metrics_.clear();
  widths_.clear();
  width_count_ = 0;
}

HFONT gdi_canvas::device_font(const font_spec& font, std::wstring_view text) {
  font_spec device = font;
  device.size = scale_.to_device_width(font.size);
  return fonts_.get(device, text);
}

font_metrics gdi_canvas::metrics(const font_spec& font) {
  for (const auto& [spec, known] : metrics_)
    if (spec == font) return known;
  // Lines hold Latin and CJK text alike: take the larger of both fonts.
  int ascent = 0, descent = 0;
  for (const wchar_t* sample : {L"x", L"\x4E2D"}) {
    const ScopedSelection selected(measure_.get(), device_font(font, sample));
    TEXTMETRICW tm{};
    GetTextMetricsW(measure_.get(), &tm);
    ascent = std::max(ascent, static_cast<int>(tm.tmAscent));
    descent = std::max(descent, static_cast<int>(tm.tmDescent));
  }
  const font_metrics m{scale_.to_css_ceil(ascent), scale_.to_css_ceil(descent)};
  metrics_.emplace_back(font, m);
  return m;
}

int gdi_canvas::text_width(const font_spec& font, std::wstring_view text) {
  if (text.empty()) return 0;
  constexpr size_t kShortRun = 16, kMaxRemembered = 50000;
  const HFONT handle = device_font(font, text);
  text_map<int>* remembered = nullptr;
  if (text.size() <= kShortRun) {
    remembered = &widths_[handle];
    if (const auto found = remembered->find(text); found != remembered->end()) return found->second;
  }
  const ScopedSelection selected(measure_.get(), handle);
  SIZE size{};
  GetTextExtentPoint32W(measure_.get(), text.data(), static_cast<int>(text.size()), &size);
  if (remembered != nullptr) {
    if (width_count_ >= kMaxRemembered) {
      for (auto& [key, widths] : widths_) widths.clear();
      width_count_ = 0;
    }
    remembered->emplace(std::wstring(text), scale_.to_css_ceil(size.cx));
    ++width_count_;
  }
  return scale_.to_css_ceil(size.cx);
}

bool gdi_canvas::load_image(const std::wstring& url, const uint8_t* bytes, size_t size, int density_dpi) {
  return images_.load(url, bytes, size, density_dpi);
}

point gdi_canvas::image_size(const std::wstring& url) { return images_.size(url); }

void gdi_canvas::fill_rect(const rect& box, color fill, int radius) {
  fill_device(scale_.to_device(box), fill, scale_.to_device_width(radius));
}

void gdi_canvas::fill_device(const rect& box, color fill, int radius) {
  if (!target_ || box.width() <= 0 || box.height() <= 0) return;
  unsigned alpha = fill >> 24;
  if (alpha == 0) return;
  if (alpha < 255) {
    // Translucent: blend a one-pixel premultiplied bitmap over the box.
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 1, 1, 1, 32, BI_RGB};
    void* bits = nullptr;
    const UniqueGdiObject<HBITMAP> px(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!px) return;
    auto premul = [&](unsigned c) { return c * alpha / 255; };
    *static_cast<uint32_t*>(bits) = (alpha << 24) | (premul((fill >> 16) & 0xFF) << 16) | (premul((fill >> 8) & 0xFF) << 8) | premul(fill & 0xFF);
    const UniqueMemoryDc src(target_);
    const ScopedSelection selected(src.get(), px.get());
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(target_, box.left, box.top, box.width(), box.height(), src.get(), 0, 0, 1, 1, blend);
    return;
  }
  const UniqueGdiObject<HBRUSH> brush(CreateSolidBrush(to_colorref(fill)));
  if (radius > 0) {
    const UniqueGdiObject<HRGN> rgn(
        CreateRoundRectRgn(box.left, box.top, box.right + 1, box.bottom + 1, radius * 2, radius * 2));
    FillRgn(target_, rgn.get(), brush.get());
  } else {
    RECT r{box.left, box.top, box.right, box.bottom};
    FillRect(target_, &r, brush.get());
  }
}

void gdi_canvas::draw_border(const rect& css_box, const int css_widths[4], const color colors[4], int css_radius) {
  if (!target_) return;
  const rect box = scale_.to_device(css_box);
  const int radius = scale_.to_device_width(css_radius);
  const int widths[4] = {scale_.to_device_width(css_widths[0]), scale_.to_device_width(css_widths[1]),
                         scale_.to_device_width(css_widths[2]), scale_.to_device_width(css_widths[3])};
  bool uniform = widths[0] == widths[1] && widths[1] == widths[2] && widths[2] == widths[3] && colors[0] == colors[1] &&
                 colors[1] == colors[2] && colors[2] == colors[3];
  if (radius > 0 && uniform && widths[0] > 0) {
    const UniqueGdiObject<HPEN> pen(CreatePen(PS_INSIDEFRAME, widths[0], to_colorref(colors[0])));
    const ScopedSelection selected_pen(target_, pen.get());
    const ScopedSelection selected_brush(target_, GetStockObject(NULL_BRUSH));
    RoundRect(target_, box.left, box.top, box.right, box.bottom, radius * 2, radius * 2);
    return;
  }
  const rect edges[4] = {{box.left, box.top, box.right, box.top + widths[0]},
                         {box.right - widths[1], box.top, box.right, box.bottom},
                         {box.left, box.bottom - widths[2], box.right, box.bottom},
                         {box.left, box.top, box.left + widths[3], box.bottom}};
  for (int i = 0; i < 4; ++i)
    if (widths[i] > 0) fill_device(edges[i], colors[i], 0);
}

void gdi_canvas::draw_text(const font_spec& font, int x, int baseline_y, std::wstring_view text, color ink) {
  if (!target_ || text.empty()) return;
  x = scale_.to_device(x);
  baseline_y = scale_.to_device(baseline_y);
  HGDIOBJ old = SelectObject(target_, device_font(font, text));
  SetBkMode(target_, TRANSPARENT);
  SetTextColor(target_, to_colorref(ink));
  UINT align = SetTextAlign(target_, TA_BASELINE | TA_LEFT);
  ExtTextOutW(target_, x, baseline_y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
  SetTextAlign(target_, align);
  SelectObject(target_, old);
}

void gdi_canvas::draw_line(point from, point to, int width, color ink) {
  if (!target_) return;
  from = scale_.to_device(from);
  to = scale_.to_device(to);
  const UniqueGdiObject<HPEN> pen(CreatePen(PS_SOLID, scale_.to_device_width(width), to_colorref(ink)));
  const ScopedSelection selected(target_, pen.get());
  MoveToEx(target_, from.x, from.y, nullptr);
  LineTo(target_, to.x, to.y);
}

void gdi_canvas::draw_image(const std::wstring& url, const rect& box, repeat_t repeat) {
  if (target_ && images_.draw(target_, url, scale_.to_device(box), repeat, scale_)) animated_ = true;
}

void gdi_canvas::push_clip(const rect& box) {
  if (!target_) return;
  saved_.push_back(SaveDC(target_));
  const rect clip = scale_.to_device(box);
  IntersectClipRect(target_, clip.left, clip.top, clip.right, clip.bottom);
}

void gdi_canvas::pop_clip() {
  if (!target_ || saved_.empty()) return;
  RestoreDC(target_, saved_.back());
  saved_.pop_back();
}

}  // namespace htmlayout
