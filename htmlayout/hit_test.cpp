// Where elements are on the view: boxes with scrolling applied, hit testing
// and scrolling an element into view.
#include <algorithm>

#include "htmlayout/document.h"
#include "htmlayout/layout.h"

namespace htmlayout {
namespace {

bool clips(HELEMENT el) { return el->style.overflow != overflow_t::VISIBLE; }

// `base`: the view position the element's box is relative to.
HELEMENT hit(HELEMENT el, point base, point p) {
  if (el->is_text || el->style.display == display_t::NONE) return nullptr;
  point origin{base.x + el->box.x, base.y + el->box.y};
  rect r{origin.x, origin.y, origin.x + el->box.width, origin.y + el->box.height};
  bool is_inline = el->style.display == display_t::INLINE;
  point child_base = is_inline ? base : point{origin.x, origin.y - el->box.scroll_top};
  if (!clips(el) || r.contains(p)) {
    for (int pass = 0; pass < 2; ++pass) {
      for (size_t i = el->children.size(); i-- > 0;) {
        HELEMENT c = el->children[i];
        if (c->is_text || is_out_of_flow(c) != (pass == 0)) continue;
        if (HELEMENT found = hit(c, child_base, p)) return found;
      }
    }
    if (!is_inline) {
      for (const auto& f : el->box.fragments) {
        rect fr{child_base.x + f.x, child_base.y + f.y, child_base.x + f.x + f.width, child_base.y + f.y + f.height};
        if (fr.contains(p)) return f.owner->is_text ? f.owner->parent : f.owner;
      }
    }
  }
  return r.contains(p) ? el : nullptr;
}

}  // namespace

rect document::box_of(HELEMENT el) const {
  if (!el || el->doc != this) return {};
  point at{el->box.x, el->box.y};
  for (HELEMENT p = layout_parent(el); p; p = layout_parent(p)) {
    at.x += p->box.x;
    at.y += p->box.y - p->box.scroll_top;
  }
  return {at.x, at.y, at.x + el->box.width, at.y + el->box.height};
}

rect document::content_box_of(HELEMENT el) const {
  rect r = box_of(el);
  if (!el) return r;
  const computed_style& s = el->style;
  return {r.left + s.border[3] + s.padding[3], r.top + s.border[0] + s.padding[0],
          r.right - s.border[1] - s.padding[1] - (el->box.scrollbar ? kScrollbarWidth : 0), r.bottom - s.border[2] - s.padding[2]};
}

HELEMENT document::hit_test(point p) {
  update();
  return root_ ? hit(root_, {0, 0}, p) : nullptr;
}

void document::scroll_into_view(HELEMENT el) {
  update();
  if (!el || el->doc != this) return;
  for (HELEMENT s = layout_parent(el); s; s = layout_parent(s)) {
    if (s->style.overflow != overflow_t::AUTO && s->style.overflow != overflow_t::SCROLL) continue;
    rect box = box_of(el), view = box_of(s);
    view.top += s->style.border[0];
    view.bottom -= s->style.border[2];
    int delta = 0;
    if (box.top < view.top) delta = box.top - view.top;
    else if (box.bottom > view.bottom) delta = std::min(box.bottom - view.bottom, box.top - view.top);
    int client = view.height();
    int max_top = std::max(0, s->box.content_height + s->style.padding[0] + s->style.padding[2] - client);
    s->box.scroll_top = std::clamp(s->box.scroll_top + delta, 0, max_top);
  }
  host_.invalidate();
}

}  // namespace htmlayout
