#include "htmlayout/css_parser.h"

#include "base/text_convert.h"

namespace htmlayout {
namespace {

std::wstring_view trim(std::wstring_view s) {
  while (!s.empty() && (s.front() == L' ' || s.front() == L'\t' || s.front() == L'\n' || s.front() == L'\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == L' ' || s.back() == L'\t' || s.back() == L'\n' || s.back() == L'\r')) s.remove_suffix(1);
  return s;
}

std::wstring strip_comments(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'/' && i + 1 < text.size() && text[i + 1] == L'*') {
      size_t end = text.find(L"*/", i + 2);
      if (end == std::wstring_view::npos) break;
      i = end + 1;
      continue;
    }
    out += text[i];
  }
  return out;
}

// Index of the '}' closing the block opened just before `from`, or npos.
size_t block_end(std::wstring_view text, size_t from) {
  int depth = 1;
  for (size_t i = from; i < text.size(); ++i) {
    if (text[i] == L'{') ++depth;
    else if (text[i] == L'}' && --depth == 0) return i;
  }
  return std::wstring_view::npos;
}

void index_rules(style_sheet& sheet) {
  rule_index& index = sheet.index;
  for (uint32_t r = 0; r < sheet.rules.size(); ++r) {
    const style_rule& rule = sheet.rules[r];
    index.first_declaration.push_back(index.declarations);
    index.declarations += rule.declarations.size();
    for (const selector& sel : rule.selectors) {
      if (sel.parts.empty()) continue;
      const compound_selector& last = sel.parts.back();
      std::vector<uint32_t>& bucket = !last.id.empty()        ? index.by_id[last.id]
                                      : !last.classes.empty() ? index.by_class[last.classes.front()]
                                      : !last.tag.empty()     ? index.by_tag[last.tag]
                                                              : index.any;
      // A rule with two selectors in one bucket is filed there once.
      if (bucket.empty() || bucket.back() != r) bucket.push_back(r);
    }
  }
}

}  // namespace

std::vector<declaration> parse_declarations(std::wstring_view text) {
  std::vector<declaration> out;
  size_t start = 0;
  while (start < text.size()) {
    // ';' inside parentheses or quotes (url(a;b), "x;y") does not end a declaration.
    size_t end = start;
    int parens = 0;
    wchar_t quote = 0;
    for (; end < text.size(); ++end) {
      wchar_t c = text[end];
      if (quote) { if (c == quote) quote = 0; continue; }
      if (c == L'"' || c == L'\'') quote = c;
      else if (c == L'(') ++parens;
      else if (c == L')' && parens > 0) --parens;
      else if (c == L';' && parens == 0) break;
    }
    std::wstring_view one = text.substr(start, end - start);
    start = end + 1;
    size_t colon = one.find(L':');
    if (colon == std::wstring_view::npos) continue;
    std::wstring_view name = trim(one.substr(0, colon));
    std::wstring_view value = trim(one.substr(colon + 1));
    if (name.empty() || value.empty()) continue;
    declaration d;
    size_t bang = value.rfind(L'!');
    if (bang != std::wstring_view::npos && trim(value.substr(bang + 1)) == L"important") {
      d.important = true;
      value = trim(value.substr(0, bang));
    }
    d.name = ascii_lower(kestro::toUtf8(name));
    d.value = value;
    out.push_back(std::move(d));
  }
  return out;
}

style_sheet parse_style_sheet(std::wstring_view raw) {
  style_sheet sheet;
  std::wstring text = strip_comments(raw);
  std::wstring_view t = text;
  size_t pos = 0;
  while (pos < t.size()) {
    size_t open = t.find(L'{', pos);
    if (open == std::wstring_view::npos) break;
    size_t close = block_end(t, open + 1);
    if (close == std::wstring_view::npos) close = t.size();
    std::wstring_view prelude = trim(t.substr(pos, open - pos));
    // A stray '}' or ';' before the prelude belongs to a broken earlier rule.
    size_t junk = prelude.find_last_of(L"};");
    if (junk != std::wstring_view::npos) prelude = trim(prelude.substr(junk + 1));
    std::wstring_view body = t.substr(open + 1, close - open - 1);
    pos = close + 1;
    if (prelude.empty() || prelude[0] == L'@') continue;  // at-rules are not supported
    auto sels = parse_selectors(prelude);
    if (!sels) continue;
    style_rule rule;
    rule.selectors = std::move(*sels);
    rule.declarations = parse_declarations(body);
    sheet.rules.push_back(std::move(rule));
  }
  index_rules(sheet);
  return sheet;
}

}  // namespace htmlayout
