// Style sheets: rules of selectors and declarations, parsed tolerantly (a bad
// rule or declaration is skipped, the rest is kept).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "htmlayout/selector.h"
#include "htmlayout/types.h"

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

// Where each rule may match, by the rightmost part of each of its selectors:
// an element needs testing only against the rules filed under its id, its
// classes and its tag, and those that name none of them.
struct rule_index {
  text_map<std::vector<uint32_t>> by_id, by_class;
  std::unordered_map<std::string, std::vector<uint32_t>> by_tag;
  std::vector<uint32_t> any;
  std::vector<size_t> first_declaration;  // each rule's first declaration, counted through the sheet
  size_t declarations = 0;
};

struct style_sheet {
  std::vector<style_rule> rules;
  rule_index index;  // made by parse_style_sheet
};

style_sheet parse_style_sheet(std::wstring_view text);
// The body of a style attribute: "a: b; c: d".
std::vector<declaration> parse_declarations(std::wstring_view text);

}  // namespace htmlayout
