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

parsed_page parse_html(std::string_view utf8);

// Decodes character references (&amp; &#20013; &#x4e2d; ...) in `text`.
std::wstring decode_entities(std::wstring_view text);

}  // namespace htmlayout
