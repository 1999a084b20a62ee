// Style sheet text: parsed into rules, each declaration applied to a style,
// and each rule's selectors matched against a small tree. Whatever the text,
// the computed numbers stay inside the engine's caps.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/text_convert.h"
#include "htmlayout/css_parser.h"
#include "htmlayout/css_values.h"
#include "htmlayout/html_parser.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

void check_length(const htmlayout::length& l) {
  require(std::isfinite(l.v) && std::fabs(l.v) <= htmlayout::kMaxCssNumber);
}

void check_style(const htmlayout::computed_style& s) {
  for (const auto* l : {&s.left, &s.top, &s.right, &s.bottom, &s.width, &s.height}) check_length(*l);
  for (const auto& m : s.margin) check_length(m);
  for (int i = 0; i < 4; ++i) {
    require(std::abs(s.padding[i]) <= htmlayout::kMaxCssNumber && std::abs(s.border[i]) <= htmlayout::kMaxCssNumber);
  }
  require(s.font_size >= 0 && s.font_size <= htmlayout::kMaxFontSize);
  require(s.line_height >= -1 - htmlayout::kMaxCssNumber && s.line_height <= htmlayout::kMaxCssNumber);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring text = kestro::fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  htmlayout::style_sheet sheet = htmlayout::parse_style_sheet(text);
  htmlayout::parsed_page page = htmlayout::parse_html("<div id=a class='x y'><p title=t><span>s</span></p></div>");
  htmlayout::computed_style style, parent;
  for (const auto& rule : sheet.rules) {
    for (const auto& d : rule.declarations) htmlayout::apply_property(style, d.name, d.value, parent);
    check_style(style);
    for (htmlayout::HELEMENT el = page.root; el; el = el->children.empty() ? nullptr : el->children.front())
      htmlayout::matches_any(rule.selectors, el, page.root);
  }
  htmlayout::parse_declarations(text);
  htmlayout::parse_selectors(text);
  htmlayout::release(page.root);
  return 0;
}
