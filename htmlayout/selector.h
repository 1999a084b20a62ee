// CSS selectors: type, #id, .class, [attr], [attr=value], pseudo-classes for
// element states, :root, :first-child, :last-child, :nth-child(odd, even or a
// number), and the descendant and child combinators.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "htmlayout/node.h"

namespace htmlayout {

struct attribute_test {
  std::string name;
  std::optional<std::wstring> value;
};

struct compound_selector {
  std::string tag;  // empty: any element
  std::wstring id;
  std::vector<std::wstring> classes;
  std::vector<attribute_test> attributes;
  unsigned states = 0;  // ELEMENT_STATE_BITS that must all be set
  bool root = false;
  bool first_child = false;
  bool last_child = false;
  int nth_step = 0, nth_offset = 0;  // :nth-child(step*n + offset); offset 0 means none
  bool child_of_previous = false;  // '>' before this compound; otherwise descendant
};

struct selector {
  std::vector<compound_selector> parts;  // left to right
  int specificity = 0;
};

// Parses one selector list ("a, b > c"); nothing when any part is malformed.
std::optional<std::vector<selector>> parse_selectors(std::wstring_view text);

// Whether `el` matches; `scope` is what ":root" means (the document root in
// style sheets, the element searched from in element queries).
bool matches(const selector& sel, HELEMENT el, HELEMENT scope);
bool matches_any(const std::vector<selector>& sels, HELEMENT el, HELEMENT scope);

}  // namespace htmlayout
