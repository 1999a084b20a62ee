// Layout: block flow, inline text with line breaking, inline-block boxes,
// fixed tables, absolute positioning and vertical scrolling. Every element's
// box is stored relative to its layout parent (the nearest ancestor that is
// not an inline element); text is placed as fragments of that block.
#pragma once

#include <algorithm>
#include <vector>

#include "htmlayout/canvas.h"
#include "htmlayout/node.h"

namespace htmlayout {

class document;

constexpr int kScrollbarWidth = 16;

// Flow positions stop growing at this extent, so that a page of many huge
// boxes (each length is already cut by the style caps) cannot overflow.
constexpr int kMaxFlowExtent = 1 << 28;
inline int advanced(int y, long long by) {
  return static_cast<int>(std::clamp<long long>(y + by, -kMaxFlowExtent, kMaxFlowExtent));
}

struct layout_context {
  canvas& gfx;
  std::vector<HELEMENT> absolutes;  // positioned after the normal flow, in document order
};

void layout_document(document& doc);

// Lays out `el` with the given border-box width; `avail_height` is the
// containing block's definite height, or -1.
void layout_block(layout_context& ctx, HELEMENT el, int border_width, int avail_height);
// The border-box width `el` takes in a containing block `cb_width` wide
// (shrink-to-fit when `shrink` and no width is given).
int used_width(layout_context& ctx, HELEMENT el, int cb_width, bool shrink);
// Widest the content could be without wrapping, border box.
int max_content_width(layout_context& ctx, HELEMENT el);

// Inline formatting: places the inline-level children [first, last) of `block`
// as lines starting at `y`; returns the y below the last line.
int layout_inline_run(layout_context& ctx, HELEMENT block, size_t first, size_t last, int y, int left, int width);
int inline_run_width(layout_context& ctx, HELEMENT block, size_t first, size_t last);
void layout_table(layout_context& ctx, HELEMENT table, int content_left, int content_top, int content_width, int& content_height);

// Moves the content of `el` (fragments and boxes laid out in it) down by `dy`.
void shift_content(HELEMENT el, int dy);

HELEMENT layout_parent(HELEMENT el);
bool is_inline_level(HELEMENT el);   // text, inline and inline-block elements
bool is_out_of_flow(HELEMENT el);    // absolute and fixed
font_spec font_of(const computed_style& s);
int line_height_of(canvas& gfx, const computed_style& s);

}  // namespace htmlayout
