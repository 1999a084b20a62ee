// Page bytes: parsed, styled, laid out and painted with the fixed-metrics
// canvas; nothing may crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "htmlayout/box_dump.h"
#include "htmlayout/document.h"
#include "htmlayout/html_parser.h"
#include "htmlayout/recording_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  htmlayout::parsed_page page = htmlayout::parse_html(input);
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
