// The computed style of one element: the subset of CSS the pages use.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

namespace htmlayout {

using color = uint32_t;  // 0xAARRGGBB; alpha 0 is transparent
constexpr color COLOR_TRANSPARENT = 0;
inline color rgb(int r, int g, int b) { return 0xFF000000u | (r << 16) | (g << 8) | b; }

// Lengths and numbers in style sheets are cut to this many pixels: no page
// needs more, and sums over the element cap of the parser stay within int.
constexpr double kMaxCssNumber = 10000;
constexpr int kMaxFontSize = 1000;

struct length {
  enum unit : uint8_t { AUTO, PX, PERCENT };
  unit kind = AUTO;
  float v = 0;
  static length px(float n) { return {PX, n}; }
  bool is_auto() const { return kind == AUTO; }
  // Resolves against `base`; `fallback` when auto or when a percentage has no base.
  int resolve(int base, int fallback) const {
    if (kind == PX) return static_cast<int>(v);
    if (kind == PERCENT && base >= 0) return static_cast<int>(std::clamp(static_cast<double>(base) * v / 100, -1e9, 1e9));
    return fallback;
  }
  bool operator==(const length&) const = default;
};

enum class display_t : uint8_t { INLINE, BLOCK, INLINE_BLOCK, NONE, TABLE, TABLE_ROW_GROUP, TABLE_ROW, TABLE_CELL, LIST_ITEM };
enum class position_t : uint8_t { STATIC_POS, RELATIVE_POS, ABSOLUTE_POS, FIXED_POS };
enum class align_t : uint8_t { LEFT, CENTER, RIGHT };
enum class valign_t : uint8_t { BASELINE, TOP, MIDDLE, BOTTOM };
enum class overflow_t : uint8_t { VISIBLE, HIDDEN, AUTO, SCROLL };
enum class white_space_t : uint8_t { NORMAL, NOWRAP, PRE, PRE_LINE };
enum class repeat_t : uint8_t { REPEAT, NO_REPEAT, REPEAT_X, REPEAT_Y, STRETCH };
enum class cursor_t : uint8_t { AUTO, DEFAULT, POINTER, TEXT, WAIT, MOVE };

struct image_ref {
  std::wstring url;
  repeat_t repeat = repeat_t::REPEAT;
  bool operator==(const image_ref&) const = default;
};

struct computed_style {
  // Not inherited.
  display_t display = display_t::INLINE;
  position_t position = position_t::STATIC_POS;
  length left, top, right, bottom, width, height;
  length margin[4] = {length::px(0), length::px(0), length::px(0), length::px(0)};  // top, right, bottom, left
  int padding[4] = {0, 0, 0, 0};
  int border[4] = {0, 0, 0, 0};
  color border_color[4] = {0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u};
  int border_radius = 0;
  color background_color = COLOR_TRANSPARENT;
  image_ref background_image;
  image_ref foreground_image;
  valign_t vertical_align = valign_t::BASELINE;
  overflow_t overflow = overflow_t::VISIBLE;
  std::string behavior;
  bool underline = false;
  // Inherited.
  color text_color = 0xFF000000u;
  int font_size = 12;
  int font_weight = 400;
  std::wstring font_family;
  align_t text_align = align_t::LEFT;
  int line_height = -1;  // -1: from the font
  cursor_t cursor = cursor_t::AUTO;
  white_space_t white_space = white_space_t::NORMAL;

  void inherit_from(const computed_style& parent) {
    text_color = parent.text_color;
    font_size = parent.font_size;
    font_weight = parent.font_weight;
    font_family = parent.font_family;
    text_align = parent.text_align;
    line_height = parent.line_height;
    cursor = parent.cursor;
    white_space = parent.white_space;
  }
};

}  // namespace htmlayout
