#include "ui/behaviors/rate_chart_drawing.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace htmlayout {
namespace {

constexpr int kScaleWidth = 75;  // left of the plot: the labels
constexpr int kGridStep = 25;    // pixels between grid lines
constexpr int kSampleStep = 5;   // pixels between samples

color green() { return rgb(68, 155, 88); }

// One line of text whose middle sits at `middle`, moved inside [top, bottom]
// where it would cross either: the lowest label stays above the chart's
// bottom edge instead of hanging out of the window.
void draw_text_at_middle(canvas& gfx, const font_spec& font, color ink, int x, int middle, int top, int bottom,
                         const std::wstring& text) {
  const font_metrics m = gfx.metrics(font);
  const int line_top = std::clamp(middle - m.height() / 2, top, std::max(top, bottom - m.height()));
  gfx.draw_text(font, x, line_top + m.ascent, text, ink);
}

int to_coordinate(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN / 2, INT_MAX / 2)); }

void draw_curve(canvas& gfx, const rect& area, int x0, const std::deque<int64_t>& samples, int64_t step, color ink) {
  point pen;
  for (size_t i = 0; i < samples.size(); ++i) {
    point at{x0 + kSampleStep * static_cast<int>(i), to_coordinate(sample_y(area.bottom, samples[i], step))};
    if (i == 0) {
      pen = at;
    } else if (at.x < area.right) {
      gfx.draw_line(pen, at, 1, ink);
      pen = at;
    }
  }
}

}  // namespace

rate_scale scale_for_peak(int64_t peak) {
  static const struct { int64_t below; rate_scale scale; } kScales[] = {
      {15360, {1024, 1}},       {76800, {5120, 5}},       {153600, {10240, 10}},   {307200, {20480, 20}},
      {768000, {51200, 50}},    {1536000, {102400, 100}}, {7680000, {512000, 500}},
  };
  for (const auto& s : kScales)
    if (peak < s.below) return s.scale;
  return {1048576, 1024};
}

std::wstring rate_label(int kbits) {
  char buf[32];
  if (kbits < 1000) std::snprintf(buf, sizeof buf, "%dKbits/s", kbits);
  else std::snprintf(buf, sizeof buf, "%.1fMbits/s", kbits / 1024.0);
  return std::wstring(buf, buf + std::char_traits<char>::length(buf));
}

int64_t sample_y(int bottom, int64_t v, int64_t step) {
  // v * 25 / step without overflowing for any v: the same truncated quotient.
  int64_t scaled = v / step * kGridStep + v % step * kGridStep / step;
  return bottom - scaled - 2;
}

void draw_rate_chart(canvas& gfx, const rate_chart_input& in) {
  const rect& r = in.area;
  const int x0 = r.left + kScaleWidth;

  rect frame{x0, r.top, r.right, r.bottom};
  gfx.fill_rect(frame, rgb(255, 255, 255), 0);
  const int widths[4] = {2, 2, 2, 2};
  const color greens[4] = {green(), green(), green(), green()};
  gfx.draw_border(frame, widths, greens, 0);

  // The vertical grid moves 5 px left each second and repeats every 5 seconds.
  int offset = kGridStep - (in.seconds % 5) * 5;
  for (int x = x0; x < r.right; x += kGridStep)
    if (x + offset < r.right) gfx.draw_line({x + offset, r.top}, {x + offset, r.bottom}, 1, green());

  int64_t peak = 0;
  for (const auto* list : {in.up, in.down})
    for (int64_t v : *list) peak = std::max(peak, v);
  rate_scale scale = scale_for_peak(peak);

  int label = 0;
  for (int y = r.bottom - 2; y > r.top; y -= kGridStep, label += scale.label_increment) {
    gfx.draw_line({x0, y}, {r.right, y}, 1, green());
    const std::wstring text = rate_label(label);
    // Right-aligned 5 px before the plot, level with its grid line.
    draw_text_at_middle(gfx, in.font, in.ink, x0 - 5 - gfx.text_width(in.font, text), y, r.top, r.bottom, text);
  }

  draw_curve(gfx, r, x0, *in.up, scale.step, rgb(255, 0, 0));
  draw_curve(gfx, r, x0, *in.down, scale.step, rgb(0, 0, 255));

  // The legend on a white ground of its own, so that no grid line or curve
  // runs through its texts; each text level with its line.
  gfx.fill_rect({r.right - 114, r.top + 4, r.right - 4, r.top + 46}, rgb(255, 255, 255), 0);
  gfx.draw_line({r.right - 110, r.top + 12}, {r.right - 85, r.top + 12}, 2, rgb(255, 0, 0));
  gfx.draw_line({r.right - 110, r.top + 37}, {r.right - 85, r.top + 37}, 2, rgb(0, 0, 255));
  draw_text_at_middle(gfx, in.font, in.ink, r.right - 80, r.top + 12, r.top + 4, r.top + 46, L"上行流量速率");
  draw_text_at_middle(gfx, in.font, in.ink, r.right - 80, r.top + 37, r.top + 4, r.top + 46, L"下行流量速率");
}

}  // namespace htmlayout
