// Tolerant HTML parser for UTF-8 pages: any byte sequence gives a tree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "htmlayout/node.h"

namespace htmlayout {

struct parsed_page {
  HELEMENT root = nullptr;            // the "html" element, one reference owned by the caller
  std::vector<std::string> style_sheets;  // text of each <style> element, in page order
};

// Deeper nesting than this is flattened into the deepest allowed element.
constexpr size_t kMaxTreeDepth = 256;
// Elements past this count are dropped; text (style sheets and scripts
// included) past this many characters is cut. Both are far above what the
// program's pages hold (the main page with a long game list has a few
// thousand elements) and keep a hostile page's memory and layout bounded.
constexpr size_t kMaxElements = 50000;
constexpr size_t kMaxTextLength = size_t{4} << 20;

parsed_page parse_html(std::string_view utf8);

// Decodes character references (&amp; &#20013; &#x4e2d; ...) in `text`.
std::wstring decode_entities(std::wstring_view text);

}  // namespace htmlayout
