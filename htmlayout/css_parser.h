// Style sheets: rules of selectors and declarations, parsed tolerantly (a bad
// rule or declaration is skipped, the rest is kept).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "htmlayout/selector.h"

namespace htmlayout {

struct declaration {
  std::string name;    // lower case
  std::wstring value;  // trimmed, without "!important"
  bool important = false;
};

struct style_rule {
  std::vector<selector> selectors;
  std::vector<declaration> declarations;
  size_t order = 0;  // position among all rules of the document
};

struct style_sheet {
  std::vector<style_rule> rules;
};

style_sheet parse_style_sheet(std::wstring_view text);
// The body of a style attribute: "a: b; c: d".
std::vector<declaration> parse_declarations(std::wstring_view text);

}  // namespace htmlayout
