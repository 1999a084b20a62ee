#include "htmlayout/style_resolver.h"

#include <algorithm>
#include <iterator>

#include "base/text_convert.h"
#include "htmlayout/css_values.h"

namespace htmlayout {
namespace {

const char kUserAgentCss[] = R"(
html, body, div, p, ul, ol, li, form, h1, h2, h3, h4, center, head, widget { display: block; }
head, style, script, title, meta, link { display: none; }
li { display: list-item; }
table { display: table; }
thead, tbody, tfoot { display: table-row-group; }
tr { display: table-row; }
td, th { display: table-cell; vertical-align: middle; padding: 1px; }
th { font-weight: bold; }
p, ul, ol { margin: 0; }
img, input, button, progress, select, textarea { display: inline-block; }
input, button, progress { vertical-align: middle; }
b, strong { font-weight: bold; }
a[href] { behavior: hyperlink; cursor: pointer; }
button, input[type=button], input[type=submit] { behavior: button; padding: 2px 6px; border: 1px solid #a0a0a0; background-color: #e8e8e8; text-align: center; }
input { behavior: edit; width: 120px; height: 20px; border: 1px solid #a0a0a0; background-color: white; cursor: text; }
input[type=text] { behavior: edit; }
input[type=password] { behavior: password; }
input[type=checkbox] { behavior: checkbox; width: 13px; height: 13px; cursor: default; }
progress { behavior: progress; width: 100px; height: 12px; border: 1px solid #a0a0a0; }
)";

struct matched {
  const declaration* decl;
  int rank;       // importance and origin
  int specificity;
  size_t order;
};

// The rules of `sheet` that may match `el` (see rule_index), in sheet order.
void candidate_rules(const rule_index& index, HELEMENT el, std::vector<uint32_t>& out) {
  out.clear();
  const auto add = [&](const auto& map, const auto& key) {
    if (auto it = map.find(key); it != map.end()) out.insert(out.end(), it->second.begin(), it->second.end());
  };
  if (const std::wstring* id = el->attribute("id")) add(index.by_id, *id);
  if (const std::wstring* classes = el->attribute("class")) {
    std::wstring_view rest = *classes;
    while (!rest.empty()) {
      const size_t start = rest.find_first_not_of(L" \t\r\n");
      if (start == std::wstring_view::npos) break;
      rest.remove_prefix(start);
      const size_t end = std::min(rest.find_first_of(L" \t\r\n"), rest.size());
      add(index.by_class, rest.substr(0, end));
      rest.remove_prefix(end);
    }
  }
  add(index.by_tag, el->tag);
  out.insert(out.end(), index.any.begin(), index.any.end());
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
}

// Each declaration's order is its place among all declarations of the sheets
// before it and of this one, matched or not, as a sheet read from the top gives.
// `candidates` is the caller's scratch list, kept over its sheets.
void collect(const style_sheet& sheet, int origin, HELEMENT el, HELEMENT root, std::vector<uint32_t>& candidates,
             std::vector<matched>& out, size_t& order) {
  candidate_rules(sheet.index, el, candidates);
  for (uint32_t r : candidates) {
    const style_rule& rule = sheet.rules[r];
    int best = -1;
    for (const auto& sel : rule.selectors)
      if (sel.specificity > best && matches(sel, el, root)) best = sel.specificity;
    if (best < 0) continue;
    size_t at = order + sheet.index.first_declaration[r];
    for (const auto& d : rule.declarations) out.push_back({&d, origin + (d.important ? 10 : 0), best, at++});
  }
  order += sheet.index.declarations;
}

bool same_geometry(const computed_style& a, const computed_style& b) {
  return a.display == b.display && a.position == b.position && a.left == b.left && a.top == b.top && a.right == b.right &&
         a.bottom == b.bottom && a.width == b.width && a.height == b.height &&
         std::equal(std::begin(a.margin), std::end(a.margin), std::begin(b.margin)) &&
         std::equal(std::begin(a.padding), std::end(a.padding), std::begin(b.padding)) &&
         std::equal(std::begin(a.border), std::end(a.border), std::begin(b.border)) && a.vertical_align == b.vertical_align &&
         a.overflow == b.overflow && a.font_size == b.font_size && a.font_weight == b.font_weight &&
         a.font_family == b.font_family && a.text_align == b.text_align && a.line_height == b.line_height &&
         a.white_space == b.white_space && a.underline == b.underline && a.behavior == b.behavior;
}

bool resolve_one(HELEMENT el, const computed_style& parent, const std::vector<style_sheet>& sheets, HELEMENT root) {
  std::vector<matched> found;
  size_t order = 0;
  std::vector<uint32_t> candidates;
  collect(user_agent_sheet(), 0, el, root, candidates, found, order);
  for (const auto& sheet : sheets) collect(sheet, 1, el, root, candidates, found, order);
  std::vector<declaration> inline_decls;
  if (const std::wstring* attr = el->attribute("style")) inline_decls = parse_declarations(*attr);
  for (const auto& d : inline_decls) found.push_back({&d, 2 + (d.important ? 10 : 0), 1 << 30, order++});
  std::vector<declaration> runtime;
  for (const auto& [name, value] : el->runtime_styles) runtime.push_back({name, kestro::fromUtf8(value), false});
  for (const auto& d : runtime) found.push_back({&d, 20, 1 << 30, order++});
  std::stable_sort(found.begin(), found.end(), [](const matched& a, const matched& b) {
    if (a.rank != b.rank) return a.rank < b.rank;
    if (a.specificity != b.specificity) return a.specificity < b.specificity;
    return a.order < b.order;
  });

  computed_style s;
  s.inherit_from(parent);
  // font-size first, so that em lengths of the same element use it.
  for (const auto& m : found)
    if (m.decl->name == "font-size") apply_property(s, "font-size", m.decl->value, parent);
  el->custom_styles.clear();
  for (const auto& m : found) {
    if (m.decl->name == "font-size") continue;
    if (m.decl->name.starts_with("-")) {
      std::string v = kestro::toUtf8(m.decl->value);
      auto it = std::find_if(el->custom_styles.begin(), el->custom_styles.end(), [&](auto& p) { return p.first == m.decl->name; });
      if (it != el->custom_styles.end()) it->second = v;
      else el->custom_styles.emplace_back(m.decl->name, v);
      continue;
    }
    apply_property(s, m.decl->name, m.decl->value, parent);
  }
  // Positioned boxes are blocks whatever their display says (an absolutely
  // placed button set to "inline" still shows its text).
  if ((s.position == position_t::ABSOLUTE_POS || s.position == position_t::FIXED_POS) &&
      (s.display == display_t::INLINE || s.display == display_t::INLINE_BLOCK))
    s.display = display_t::BLOCK;
  bool moved = !same_geometry(el->style, s);
  el->style = std::move(s);
  return moved;
}

bool resolve_tree(HELEMENT el, const computed_style& parent, const std::vector<style_sheet>& sheets, HELEMENT root) {
  if (el->is_text) {
    computed_style s;
    s.inherit_from(parent);
    bool moved = !same_geometry(el->style, s);
    el->style = std::move(s);
    return moved;
  }
  bool moved = resolve_one(el, parent, sheets, root);
  for (HELEMENT c : el->children) moved = resolve_tree(c, el->style, sheets, root) || moved;
  return moved;
}

}  // namespace

const style_sheet& user_agent_sheet() {
  static const style_sheet sheet = parse_style_sheet(kestro::fromUtf8(kUserAgentCss));
  return sheet;
}

namespace {

computed_style base_style() {
  computed_style base;
  base.font_family = L"Tahoma";
  return base;
}

}  // namespace

bool resolve_styles(HELEMENT root, const std::vector<style_sheet>& sheets) {
  if (!root) return false;
  return resolve_tree(root, base_style(), sheets, root);
}

bool restyle_subtree(HELEMENT el, HELEMENT root, const std::vector<style_sheet>& sheets) {
  if (!el) return false;
  return resolve_tree(el, el->parent ? el->parent->style : base_style(), sheets, root);
}

}  // namespace htmlayout
