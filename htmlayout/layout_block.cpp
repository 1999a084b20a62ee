#include <algorithm>

#include "htmlayout/css_values.h"
#include "htmlayout/document.h"
#include "htmlayout/layout.h"

namespace htmlayout {
namespace {

int horizontal_extras(const computed_style& s) { return s.padding[1] + s.padding[3] + s.border[1] + s.border[3]; }
int vertical_extras(const computed_style& s) { return s.padding[0] + s.padding[2] + s.border[0] + s.border[2]; }

// A document offset of the border box without scrolling.
point flow_offset(HELEMENT el) {
  point p;
  for (HELEMENT e = el; e; e = layout_parent(e)) {
    p.x = advanced(p.x, e->box.x);
    p.y = advanced(p.y, e->box.y);
  }
  return p;
}

void layout_children(layout_context& ctx, HELEMENT el, int content_w, int avail_h) {
  const computed_style& s = el->style;
  int left = s.border[3] + s.padding[3];
  int y = s.border[0] + s.padding[0];
  int top = y;
  if (s.display == display_t::TABLE) {
    int h = 0;
    layout_table(ctx, el, left, top, content_w, h);
    el->box.content_height = h;
    return;
  }
  size_t run = SIZE_MAX;
  auto flush = [&](size_t end) {
    if (run != SIZE_MAX) y = layout_inline_run(ctx, el, run, end, y, left, content_w);
    run = SIZE_MAX;
  };
  for (size_t i = 0; i < el->children.size(); ++i) {
    HELEMENT c = el->children[i];
    if (!c->is_text && c->style.display == display_t::NONE) continue;
    if (!c->is_text && is_out_of_flow(c)) { ctx.absolutes.push_back(c); continue; }
    if (is_inline_level(c)) { if (run == SIZE_MAX) run = i; continue; }
    flush(i);
    const computed_style& cs = c->style;
    int ml = cs.margin[3].resolve(content_w, 0), mr = cs.margin[1].resolve(content_w, 0);
    int w = used_width(ctx, c, content_w - ml - mr, false);
    if (cs.margin[3].is_auto() && cs.margin[1].is_auto() && !cs.width.is_auto()) ml = std::max(0, (content_w - w) / 2);
    y = advanced(y, cs.margin[0].resolve(content_w, 0));
    layout_block(ctx, c, w, avail_h);
    c->box.x = left + ml;
    c->box.y = y;
    y = advanced(y, static_cast<long long>(c->box.height) + cs.margin[2].resolve(content_w, 0));
  }
  flush(el->children.size());
  el->box.content_height = y - top;
}

}  // namespace

HELEMENT layout_parent(HELEMENT el) {
  HELEMENT p = el->parent;
  while (p && p->style.display == display_t::INLINE && p->parent) p = p->parent;
  return p;
}

bool is_out_of_flow(HELEMENT el) {
  return !el->is_text && (el->style.position == position_t::ABSOLUTE_POS || el->style.position == position_t::FIXED_POS);
}

bool is_inline_level(HELEMENT el) {
  return el->is_text || el->style.display == display_t::INLINE || el->style.display == display_t::INLINE_BLOCK;
}

font_spec font_of(const computed_style& s) {
  return {s.font_family, s.font_size, s.font_weight, s.underline};
}

int line_height_of(canvas& gfx, const computed_style& s) {
  if (s.line_height > 0) return s.line_height;
  return gfx.metrics(font_of(s)).height();
}

int used_width(layout_context& ctx, HELEMENT el, int cb_width, bool shrink) {
  const computed_style& s = el->style;
  if (!s.width.is_auto()) return s.width.resolve(cb_width, 0) + horizontal_extras(s);
  if (el->tag == "img") {
    const std::wstring* src = el->attribute("src");
    int natural = src ? ctx.gfx.image_size(*src).x : 0;
    if (const std::wstring* w = el->attribute("width")) natural = parse_pixel_attribute(*w);
    return natural + horizontal_extras(s);
  }
  if (!shrink) return std::max(0, cb_width);
  return std::clamp(max_content_width(ctx, el), 0, std::max(0, cb_width));
}

int max_content_width(layout_context& ctx, HELEMENT el) {
  const computed_style& s = el->style;
  if (!s.width.is_auto() && s.width.kind == length::PX) return static_cast<int>(s.width.v) + horizontal_extras(s);
  if (el->tag == "img") return used_width(ctx, el, 0, true);
  int widest = 0;
  if (s.display == display_t::TABLE) {
    for (HELEMENT row : el->children) {
      int sum = 0;
      for (HELEMENT cell : row->children)
        if (!cell->is_text) sum += max_content_width(ctx, cell);
      widest = std::max(widest, sum);
    }
    return widest + horizontal_extras(s);
  }
  size_t run = SIZE_MAX;
  for (size_t i = 0; i <= el->children.size(); ++i) {
    HELEMENT c = i < el->children.size() ? el->children[i] : nullptr;
    bool skip = c && !c->is_text && (c->style.display == display_t::NONE || is_out_of_flow(c));
    if (c && !skip && is_inline_level(c)) { if (run == SIZE_MAX) run = i; continue; }
    if (run != SIZE_MAX) { widest = std::max(widest, inline_run_width(ctx, el, run, i)); run = SIZE_MAX; }
    if (c && !skip) {
      int margins = c->style.margin[1].resolve(0, 0) + c->style.margin[3].resolve(0, 0);
      widest = std::max(widest, max_content_width(ctx, c) + margins);
    }
  }
  return widest + horizontal_extras(s);
}

void layout_block(layout_context& ctx, HELEMENT el, int border_width, int avail_h) {
  const computed_style& s = el->style;
  layout_box& b = el->box;
  b.width = std::max(0, border_width);
  b.fragments.clear();
  int specified_h = -1;
  if (!s.height.is_auto()) specified_h = s.height.resolve(avail_h, -1);
  if (specified_h < 0 && el->tag == "img") {
    const std::wstring* src = el->attribute("src");
    specified_h = src ? ctx.gfx.image_size(*src).y : 0;
    if (const std::wstring* h = el->attribute("height")) specified_h = parse_pixel_attribute(*h);
  }
  bool scrolls = s.overflow == overflow_t::SCROLL || s.overflow == overflow_t::AUTO;
  b.scrollbar = s.overflow == overflow_t::SCROLL;
  for (int pass = 0; pass < 2; ++pass) {
    int content_w = std::max(0, b.width - horizontal_extras(s) - (b.scrollbar ? kScrollbarWidth : 0));
    size_t abs_mark = ctx.absolutes.size();
    layout_children(ctx, el, content_w, specified_h);
    bool overflowing = specified_h >= 0 && b.content_height > specified_h;
    if (!scrolls || b.scrollbar || !overflowing) break;
    ctx.absolutes.resize(abs_mark);
    b.scrollbar = true;  // the bar takes room: lay out again, narrower
  }
  b.height = (specified_h >= 0 ? specified_h : b.content_height) + vertical_extras(s);
  if (scrolls) {
    int client = b.height - s.border[0] - s.border[2];
    b.scroll_top = std::clamp(b.scroll_top, 0, std::max(0, b.content_height + s.padding[0] + s.padding[2] - client));
  } else {
    b.scroll_top = 0;
  }
}

void shift_content(HELEMENT el, int dy) {
  // Text is painted at its baseline: it moves with the fragment's box.
  for (auto& f : el->box.fragments) {
    f.y += dy;
    f.baseline += dy;
  }
  std::vector<HELEMENT> todo(el->children.begin(), el->children.end());
  while (!todo.empty()) {
    HELEMENT c = todo.back();
    todo.pop_back();
    if (c->is_text || is_out_of_flow(c)) continue;
    c->box.y += dy;
    if (c->style.display == display_t::INLINE) todo.insert(todo.end(), c->children.begin(), c->children.end());
  }
}

void layout_document(document& doc) {
  HELEMENT root = doc.root();
  layout_context ctx{doc.gfx(), {}};
  root->box.x = root->box.y = 0;
  layout_block(ctx, root, doc.view_width(), doc.view_height());
  root->box.height = std::max(root->box.height, doc.view_height());
  for (size_t i = 0; i < ctx.absolutes.size(); ++i) {
    HELEMENT el = ctx.absolutes[i];
    HELEMENT cb = el->parent;
    while (cb && cb->parent && cb->style.position == position_t::STATIC_POS) cb = cb->parent;
    if (el->style.position == position_t::FIXED_POS) cb = root;
    const computed_style& s = el->style;
    const computed_style& cs = cb->style;
    int cb_w = cb->box.width - cs.border[1] - cs.border[3];
    int cb_h = cb->box.height - cs.border[0] - cs.border[2];
    int w;
    if (s.width.is_auto() && !s.left.is_auto() && !s.right.is_auto())
      w = cb_w - s.left.resolve(cb_w, 0) - s.right.resolve(cb_w, 0);
    else
      w = used_width(ctx, el, cb_w, true);
    layout_block(ctx, el, w, cb_h);
    if (s.height.is_auto() && !s.top.is_auto() && !s.bottom.is_auto()) {
      el->box.height = std::max(el->box.height, cb_h - s.top.resolve(cb_h, 0) - s.bottom.resolve(cb_h, 0));
    }
    HELEMENT lp = layout_parent(el);
    point cb_at = flow_offset(cb), lp_at = flow_offset(lp);
    int x = !s.left.is_auto() ? cs.border[3] + s.left.resolve(cb_w, 0)
            : !s.right.is_auto() ? cs.border[3] + cb_w - s.right.resolve(cb_w, 0) - el->box.width
                                 : lp_at.x - cb_at.x + lp->style.border[3] + lp->style.padding[3];
    int y = !s.top.is_auto() ? cs.border[0] + s.top.resolve(cb_h, 0)
            : !s.bottom.is_auto() ? cs.border[0] + cb_h - s.bottom.resolve(cb_h, 0) - el->box.height
                                  : lp_at.y - cb_at.y + lp->style.border[0] + lp->style.padding[0];
    x += s.margin[3].resolve(cb_w, 0);
    y += s.margin[0].resolve(cb_w, 0);
    el->box.x = cb_at.x + x - lp_at.x;
    el->box.y = cb_at.y + y - lp_at.y;
  }
}

}  // namespace htmlayout
