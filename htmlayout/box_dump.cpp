#include "htmlayout/box_dump.h"

#include <cstdio>

#include "base/text_convert.h"
#include "htmlayout/layout.h"

namespace htmlayout {
namespace {

void dump(document& doc, const display_scale& scale, HELEMENT el, int depth, std::string& out) {
  if (el->is_text || el->style.display == display_t::NONE) return;
  std::string line(static_cast<size_t>(depth) * 2, ' ');
  line += el->tag;
  if (const std::wstring* id = el->attribute("id")) line += "#" + kestro::toUtf8(*id);
  const rect r = scale.to_device(doc.box_of(el));
  char buf[80];
  std::snprintf(buf, sizeof buf, " %d,%d %dx%d", r.left, r.top, r.width(), r.height());
  line += buf;
  if (el->box.scrollbar) line += " scroll " + std::to_string(el->box.content_height);
  out += line + "\n";
  if (el->style.display != display_t::INLINE) {
    const rect c = doc.box_of(el);
    for (const auto& f : el->box.fragments) {
      // The baseline too: it is where the text's glyphs stand.
      const int top = c.top + f.y - el->box.scroll_top;
      const rect place = scale.to_device(rect{c.left + f.x, top, c.left + f.x + f.width, top + f.height});
      std::snprintf(buf, sizeof buf, "%d,%d %dx%d b%d", place.left, place.top, place.width(), place.height(),
                    scale.to_device(c.top + f.baseline - el->box.scroll_top));
      out += std::string(static_cast<size_t>(depth + 1) * 2, ' ') + "\"" +
             kestro::toUtf8(std::wstring_view(f.owner->text).substr(f.start, f.count)) + "\" " + buf + "\n";
    }
  }
  for (HELEMENT c : el->children) dump(doc, scale, c, depth + 1, out);
}

}  // namespace

std::string dump_boxes(document& doc, const display_scale& scale) {
  doc.update();
  std::string out;
  if (doc.root()) dump(doc, scale, doc.root(), 0, out);
  return out;
}

}  // namespace htmlayout
