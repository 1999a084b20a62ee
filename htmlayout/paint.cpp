// Painting the laid-out tree through the canvas, in tree order with
// positioned elements above the flow.
#include <algorithm>

#include "htmlayout/document.h"
#include "htmlayout/layout.h"
#include "htmlayout/stock_behaviors.h"

namespace htmlayout {
namespace {

const color kCheckInk = rgb(40, 40, 40);
const color kFocusInk = rgb(60, 140, 220);
const color kProgressFill = rgb(6, 176, 37);

rect inset(const rect& r, int top, int right, int bottom, int left) {
  return {r.left + left, r.top + top, std::max(r.left + left, r.right - right), std::max(r.top + top, r.bottom - bottom)};
}

bool is_space(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f'; }

// Layout counts a run of white space as one space; text set at run time may
// hold several spaces, tabs and line breaks, which are drawn as that one space too.
std::wstring collapsed_spaces(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (!is_space(text[i])) {
      out += text[i];
      continue;
    }
    if (i == 0 || !is_space(text[i - 1])) out += L' ';
  }
  return out;
}

class painter {
 public:
  painter(canvas& gfx, const rect& clip, HELEMENT keyboard_focus)
      : gfx_(gfx), clip_(clip), keyboard_focus_(keyboard_focus) {}

  void element(HELEMENT el, point base) {
    if (el->is_text || el->style.display == display_t::NONE) return;
    const computed_style& s = el->style;
    point origin{base.x + el->box.x, base.y + el->box.y};
    rect r{origin.x, origin.y, origin.x + el->box.width, origin.y + el->box.height};
    bool is_inline = s.display == display_t::INLINE;
    if ((s.background_color >> 24) != 0) gfx_.fill_rect(r, s.background_color, s.border_radius);
    rect padding_box = inset(r, s.border[0], s.border[1], s.border[2], s.border[3]);
    if (!s.background_image.url.empty()) image(s.background_image, padding_box);
    if (s.border[0] || s.border[1] || s.border[2] || s.border[3]) gfx_.draw_border(r, s.border, s.border_color, s.border_radius);
    rect content = inset(padding_box, s.padding[0], s.padding[1] + (el->box.scrollbar ? kScrollbarWidth : 0), s.padding[2], s.padding[3]);
    if (draw_event(el, content)) return;
    control(el, content);
    bool clip = s.overflow != overflow_t::VISIBLE;
    rect outer_clip = clip_;
    if (clip) {
      gfx_.push_clip(padding_box);
      clip_ = intersect(clip_, padding_box);
    }
    point child_base = is_inline ? base : point{origin.x, origin.y - el->box.scroll_top};
    if (!is_inline) {
      for (const auto& f : el->box.fragments) {
        if (child_base.y + f.y >= clip_.bottom || child_base.y + f.y + f.height <= clip_.top) continue;
        const computed_style& ts = f.owner->style;
        const std::wstring_view run = std::wstring_view(f.owner->text).substr(f.start, f.count);
        const bool collapses = ts.white_space != white_space_t::PRE &&
                               (run.find_first_of(L"\t\n\r\f") != run.npos || run.find(L"  ") != run.npos);
        gfx_.draw_text(font_of(ts), child_base.x + f.x, child_base.y + f.baseline,
                       collapses ? std::wstring_view(collapsed_spaces(run)) : run, ts.text_color);
      }
    }
    for (HELEMENT c : el->children)
      if (!c->is_text && !is_out_of_flow(c) && (!clip || visible(c, child_base))) element(c, child_base);
    for (HELEMENT c : el->children)
      if (!c->is_text && is_out_of_flow(c)) element(c, child_base);
    if (clip) gfx_.pop_clip();
    clip_ = outer_clip;
    // A progress bar shows its foreground picture as the filled part instead.
    if (!s.foreground_image.url.empty() && !el->has_handler("progress")) image(s.foreground_image, padding_box);
    if (el->box.scrollbar) scrollbar(el, padding_box);
    // A button reached by Tab shows a thin frame (a box shows its caret):
    // inside the button's picture, or round a bare one such as a check box.
    if (el == keyboard_focus_ && el->tag == "button") {
      const int widths[4] = {1, 1, 1, 1};
      const color ink[4] = {kFocusInk, kFocusInk, kFocusInk, kFocusInk};
      const bool art = !s.background_image.url.empty() || (s.background_color >> 24) != 0;
      const int d = art ? 2 : -1;
      gfx_.draw_border(inset(r, d, d, d, d), widths, ink, std::max(0, s.border_radius - d));
    }
  }

 private:
  // Pictures of the page, or the engine's own "stock:" pictures.
  void image(const image_ref& img, const rect& box) {
    if (img.url == L"stock:arrow-down" || img.url == L"stock:arrow-up") {
      // A small triangle at the right, centred vertically, in rows of pixels.
      bool down = img.url == L"stock:arrow-down";
      int cx = box.right - 10, cy = box.top + box.height() / 2;
      for (int i = 0; i < 4; ++i) {
        int row = down ? cy - 2 + i : cy + 1 - i;
        gfx_.fill_rect({cx - (3 - i), row, cx + (4 - i), row + 1}, kCheckInk, 0);
      }
      return;
    }
    gfx_.draw_image(img.url, box, img.repeat);
  }

  static rect intersect(const rect& a, const rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  }
  // Whether an in-flow child of a clipping element can show at all.
  bool visible(HELEMENT c, point base) const {
    int top = base.y + c->box.y;
    return top < clip_.bottom && top + c->box.height > clip_.top;
  }

  // Behaviors that draw the content layer themselves.
  bool draw_event(HELEMENT el, const rect& content) {
    for (const auto& h : std::vector<attached_handler>(el->handlers)) {
      if (!(h.subscription & HANDLE_DRAW)) continue;
      DRAW_PARAMS p;
      p.cmd = DRAW_CONTENT;
      p.hdc = gfx_.native_surface();
      p.gfx = &gfx_;
      p.area = content;
      if (h.handler->handle_event(el, HANDLE_DRAW, &p)) return true;
    }
    return false;
  }

  void control(HELEMENT el, const rect& content) {
    if (el->has_handler("checkbox") && el->tag == "input") {
      // Other elements with the check box behavior show their state through CSS.
      if (el->state & STATE_CHECKED) gfx_.fill_rect(inset(content, 3, 3, 3, 3), kCheckInk, 0);
    } else if (el->has_handler("progress")) {
      const std::wstring* v = el->attribute("value");
      const std::wstring* m = el->attribute("maxvalue");
      if (!m) m = el->attribute("max");
      double value = v ? std::wcstod(v->c_str(), nullptr) : 0, max = m ? std::wcstod(m->c_str(), nullptr) : 100;
      double part = max > 0 ? value / max : 0;
      part = part >= 0 ? std::min(part, 1.0) : 0;  // NaN (inf / inf) counts as empty
      rect bar = content;
      bar.right = bar.left + static_cast<int>(content.width() * part);
      if (bar.right <= bar.left) return;
      if (el->style.foreground_image.url.empty()) {
        gfx_.fill_rect(bar, kProgressFill, 0);
        return;
      }
      gfx_.push_clip(bar);
      image(el->style.foreground_image, content);
      gfx_.pop_clip();
    } else if (el->has_handler("edit") || el->has_handler("password")) {
      std::wstring text = edit_display_text(el);
      if (text.empty()) return;
      font_spec font = font_of(el->style);
      font_metrics m = gfx_.metrics(font);
      gfx_.push_clip(content);
      gfx_.draw_text(font, content.left + 2, content.top + (content.height() - m.height()) / 2 + m.ascent, text, el->style.text_color);
      gfx_.pop_clip();
    } else if (el->tag == "img") {
      if (const std::wstring* src = el->attribute("src")) gfx_.draw_image(*src, content, repeat_t::STRETCH);
    }
  }

  void scrollbar(HELEMENT el, const rect& padding_box) {
    rect track{padding_box.right - kScrollbarWidth, padding_box.top, padding_box.right, padding_box.bottom};
    gfx_.fill_rect(track, rgb(240, 240, 240), 0);
    int client = padding_box.height();
    int total = std::max(client, el->box.content_height + el->style.padding[0] + el->style.padding[2]);
    if (total <= 0) return;
    int thumb_h = std::max(12, client * client / total);
    int travel = client - thumb_h;
    int max_top = total - client;
    int thumb_top = track.top + (max_top > 0 ? travel * el->box.scroll_top / max_top : 0);
    gfx_.fill_rect({track.left + 3, thumb_top + 2, track.right - 3, thumb_top + thumb_h - 2}, rgb(192, 192, 192), 3);
  }

  canvas& gfx_;
  rect clip_;
  HELEMENT keyboard_focus_;
};

}  // namespace

void document::paint(canvas& target, const rect& dirty) {
  update();
  if (!root_) return;
  target.push_clip(dirty);
  painter(target, dirty, focus_from_keyboard_ ? focus_ : nullptr).element(root_, {0, 0});
  target.pop_clip();
}

}  // namespace htmlayout
