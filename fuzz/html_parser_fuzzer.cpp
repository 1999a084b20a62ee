// Page bytes: parsed, styled, laid out and painted with the fixed-metrics
// canvas; nothing may crash, hang or leak, and the tree keeps the parser's
// caps on depth, element count and text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "htmlayout/box_dump.h"
#include "htmlayout/document.h"
#include "htmlayout/html_parser.h"
#include "htmlayout/recording_canvas.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

struct tree_size {
  size_t elements = 0, text = 0, depth = 0;
};

void measure(htmlayout::HELEMENT el, size_t depth, tree_size& size) {
  size.depth = std::max(size.depth, depth);
  if (el->is_text) {
    size.text += el->text.size();
    return;
  }
  ++size.elements;
  for (htmlayout::HELEMENT child : el->children) measure(child, depth + 1, size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  htmlayout::parsed_page page = htmlayout::parse_html(input);
  tree_size tree;
  measure(page.root, 0, tree);
  for (const std::string& sheet : page.style_sheets) tree.text += sheet.size();
  require(tree.elements <= htmlayout::kMaxElements + 1);  // the implied root is not counted
  require(tree.text <= htmlayout::kMaxTextLength);
  require(tree.depth <= htmlayout::kMaxTreeDepth);
  htmlayout::release(page.root);
  if (size > 4096) return 0;  // the whole pipeline on small pages only
  htmlayout::recording_canvas gfx;
  htmlayout::document_host host;
  htmlayout::document doc(gfx, host);
  doc.set_view_size(300, 200);
  doc.load_html(input);
  htmlayout::dump_boxes(doc);
  doc.paint(gfx, {0, 0, 300, 200});
  doc.mouse(htmlayout::MOUSE_DOWN, {10, 10}, htmlayout::MAIN_MOUSE_BUTTON, 0);
  doc.mouse(htmlayout::MOUSE_UP, {10, 10}, htmlayout::MAIN_MOUSE_BUTTON, 0);
  return 0;
}
