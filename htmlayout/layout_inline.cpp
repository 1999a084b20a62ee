#include <algorithm>
#include <map>

#include "htmlayout/layout.h"
#include "htmlayout/text_breaks.h"

namespace htmlayout {
namespace {

enum class item_kind { WORD, SPACE, ATOMIC, BREAK };

struct item {
  item_kind kind;
  HELEMENT owner;        // text node or atomic element
  size_t start = 0, count = 0;
  int width = 0;
  bool break_before = true;  // a line may end before this item
};

bool is_space(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f'; }
bool wraps(white_space_t w) { return w == white_space_t::NORMAL || w == white_space_t::PRE_LINE; }

class collector {
 public:
  collector(layout_context& ctx, int avail, bool place_atomics) : ctx_(ctx), avail_(avail), place_(place_atomics) {}

  void node(HELEMENT c) {
    if (c->is_text) { text(c); return; }
    if (c->style.display == display_t::NONE) return;
    if (is_out_of_flow(c)) { if (place_) ctx_.absolutes.push_back(c); return; }
    if (c->tag == "br") { items.push_back({item_kind::BREAK, c}); return; }
    if (c->style.display == display_t::INLINE) {
      for (HELEMENT g : c->children) node(g);
      return;
    }
    const computed_style& s = c->style;
    int margins = s.margin[1].resolve(avail_, 0) + s.margin[3].resolve(avail_, 0);
    int w;
    if (place_) {
      w = used_width(ctx_, c, avail_ - margins, true);
      layout_block(ctx_, c, w, -1);
    } else {
      w = max_content_width(ctx_, c);
    }
    bool nowrap = c->parent && !wraps(c->parent->style.white_space);
    items.push_back({item_kind::ATOMIC, c, 0, 0, w + margins, !nowrap});
  }

  std::vector<item> items;

 private:
  void text(HELEMENT t) {
    const computed_style& s = t->style;
    font_spec font = font_of(s);
    const std::wstring& str = t->text;
    bool wrap = wraps(s.white_space);
    if (s.white_space == white_space_t::PRE) {
      size_t start = 0;
      while (start <= str.size()) {
        size_t nl = str.find(L'\n', start);
        size_t end = nl == std::wstring::npos ? str.size() : nl;
        if (nl != std::wstring::npos && end > start && str[end - 1] == L'\r') --end;  // CR LF ends a line as LF does
        if (end > start) items.push_back({item_kind::WORD, t, start, end - start, ctx_.gfx.text_width(font, std::wstring_view(str).substr(start, end - start)), false});
        if (nl == std::wstring::npos) break;
        items.push_back({item_kind::BREAK, t, nl, 1});
        start = nl + 1;
      }
      return;
    }
    size_t i = 0;
    while (i < str.size()) {
      if (is_space(str[i])) {
        size_t j = i;
        while (j < str.size() && is_space(str[j])) ++j;
        // pre-line: spaces collapse, each line feed ends the line.
        if (s.white_space == white_space_t::PRE_LINE && std::find(str.begin() + i, str.begin() + j, L'\n') != str.begin() + j) {
          if (!items.empty() && items.back().kind == item_kind::SPACE) items.pop_back();
          for (size_t k = i; k < j; ++k)
            if (str[k] == L'\n') items.push_back({item_kind::BREAK, t, k, 1});
          i = j;
          continue;
        }
        bool after_space = !items.empty() && items.back().kind == item_kind::SPACE;
        if (!after_space) items.push_back({item_kind::SPACE, t, i, j - i, ctx_.gfx.text_width(font, L" "), wrap});
        i = j;
        continue;
      }
      size_t j = i;
      bool cjk = is_cjk(str[i]);
      if (cjk) j = i + 1;
      else while (j < str.size() && !is_space(str[j]) && !is_cjk(str[j])) ++j;
      bool prev_cjk = !items.empty() && items.back().kind == item_kind::WORD && items.back().count > 0 &&
                      is_cjk(items.back().owner->text[items.back().start + items.back().count - 1]);
      bool can_break = wrap && (items.empty() || items.back().kind != item_kind::WORD || cjk || prev_cjk);
      if (can_break && cjk && no_break_before(str[i])) can_break = false;
      items.push_back({item_kind::WORD, t, i, j - i, ctx_.gfx.text_width(font, std::wstring_view(str).substr(i, j - i)), can_break});
      i = j;
    }
  }

  layout_context& ctx_;
  int avail_;
  bool place_;
};

struct placed {
  const item* it;
  int x;
};

}  // namespace

int inline_run_width(layout_context& ctx, HELEMENT block, size_t first, size_t last) {
  collector col(ctx, 0, false);
  for (size_t i = first; i < last; ++i) col.node(block->children[i]);
  int widest = 0, x = 0;
  for (const auto& it : col.items) {
    if (it.kind == item_kind::BREAK) { widest = std::max(widest, x); x = 0; continue; }
    x += it.width;
  }
  return std::max(widest, x);
}

int layout_inline_run(layout_context& ctx, HELEMENT block, size_t first, size_t last, int y, int left, int width) {
  collector col(ctx, width, true);
  for (size_t i = first; i < last; ++i) col.node(block->children[i]);
  const auto& items = col.items;

  // Break into lines.
  std::vector<std::vector<placed>> lines(1);
  std::vector<bool> broken(1, false);  // the line ends in a forced break
  int x = 0;
  for (const auto& it : items) {
    auto& line = lines.back();
    if (it.kind == item_kind::BREAK) { broken.back() = true; lines.emplace_back(); broken.push_back(false); x = 0; continue; }
    if (it.kind == item_kind::SPACE && line.empty()) continue;
    if (it.kind != item_kind::SPACE && !line.empty() && it.break_before && x + it.width > width) {
      lines.emplace_back();
      broken.push_back(false);
      x = 0;
    }
    lines.back().push_back({&it, x});
    x += it.width;
  }

  const computed_style& bs = block->style;
  font_metrics strut_m = ctx.gfx.metrics(font_of(bs));
  int strut_l = line_height_of(ctx.gfx, bs);
  int strut_asc = strut_m.ascent + (strut_l - strut_m.height()) / 2;
  std::map<HELEMENT, rect> inline_boxes;
  auto add_inline = [&](HELEMENT from, const rect& r) {
    for (HELEMENT p = from->parent; p && p != block && p->style.display == display_t::INLINE; p = p->parent) {
      auto [pos, fresh] = inline_boxes.try_emplace(p, r);
      if (!fresh) {
        rect& u = pos->second;
        u = {std::min(u.left, r.left), std::min(u.top, r.top), std::max(u.right, r.right), std::max(u.bottom, r.bottom)};
      }
    }
  };

  for (size_t li = 0; li < lines.size(); ++li) {
    auto& line = lines[li];
    while (!line.empty() && line.back().it->kind == item_kind::SPACE) line.pop_back();
    // A line with nothing on it takes no room, unless a <br> ends it.
    if (line.empty() && !broken[li]) continue;
    int line_w = line.empty() ? 0 : line.back().x + line.back().it->width;
    int shift = bs.text_align == align_t::CENTER ? (width - line_w) / 2 : bs.text_align == align_t::RIGHT ? width - line_w : 0;
    shift = std::max(0, shift);
    int asc = strut_asc, desc = strut_l - strut_asc, tall = 0;
    for (const auto& p : line) {
      const item& it = *p.it;
      if (it.kind == item_kind::ATOMIC) {
        const computed_style& s = it.owner->style;
        int h = it.owner->box.height + s.margin[0].resolve(0, 0) + s.margin[2].resolve(0, 0);
        if (s.vertical_align == valign_t::BASELINE) asc = std::max(asc, h);
        else tall = std::max(tall, h);
      } else {
        const computed_style& s = it.owner->style;
        font_metrics m = ctx.gfx.metrics(font_of(s));
        int l = line_height_of(ctx.gfx, s);
        int a = m.ascent + (l - m.height()) / 2;
        asc = std::max(asc, a);
        desc = std::max(desc, l - a);
      }
    }
    int line_h = std::max(asc + desc, tall);
    int baseline = y + asc + (line_h - asc - desc) / 2;
    line_fragment* open = nullptr;
    for (const auto& p : line) {
      const item& it = *p.it;
      int fx = left + p.x + shift;
      if (it.kind == item_kind::ATOMIC) {
        HELEMENT el = it.owner;
        const computed_style& s = el->style;
        int mt = s.margin[0].resolve(0, 0);
        int h = el->box.height;
        el->box.x = fx + s.margin[3].resolve(0, 0);
        switch (s.vertical_align) {
          case valign_t::TOP: el->box.y = y + mt; break;
          case valign_t::BOTTOM: el->box.y = y + line_h - h - s.margin[2].resolve(0, 0); break;
          case valign_t::MIDDLE: el->box.y = y + (line_h - h) / 2; break;
          default: el->box.y = baseline - h - s.margin[2].resolve(0, 0); break;
        }
        add_inline(el, {el->box.x, el->box.y, el->box.x + el->box.width, el->box.y + h});
        open = nullptr;
        continue;
      }
      font_metrics m = ctx.gfx.metrics(font_of(it.owner->style));
      bool joins = open && open->owner == it.owner && open->start + open->count == it.start &&
                   (it.kind == item_kind::WORD || (it.count == 1 && it.owner->text[it.start] == L' '));
      if (joins) {
        open->count = it.start + it.count - open->start;
        open->width = fx + it.width - open->x;
      } else {
        block->box.fragments.push_back({it.owner, fx, baseline - m.ascent, it.width, m.height(), baseline, it.start, it.count});
        open = &block->box.fragments.back();
      }
      if (it.kind == item_kind::WORD) add_inline(it.owner, {fx, baseline - m.ascent, fx + it.width, baseline - m.ascent + m.height()});
    }
    y = advanced(y, line_h);
  }
  for (auto& [el, r] : inline_boxes) {
    el->box.x = r.left;
    el->box.y = r.top;
    el->box.width = r.width();
    el->box.height = r.height();
  }
  return y;
}

}  // namespace htmlayout
