#include "htmlayout/css_values.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <string>
#include <vector>

namespace htmlayout {
namespace {

std::vector<std::wstring_view> split_words(std::wstring_view s) {
  std::vector<std::wstring_view> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == L' ') ++i;
    if (i >= s.size()) break;
    size_t start = i;
    int parens = 0;
    while (i < s.size() && (s[i] != L' ' || parens > 0)) {
      if (s[i] == L'(') ++parens;
      else if (s[i] == L')') --parens;
      ++i;
    }
    out.push_back(s.substr(start, i - start));
  }
  return out;
}

std::wstring lower(std::wstring_view s) {
  std::wstring out(s);
  for (auto& c : out)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return out;
}

// ASCII case-insensitive equality with a lower-case `word`, without making a
// lower-cased copy (style resolution applies thousands of values per page).
bool is_word(std::wstring_view s, std::wstring_view word) {
  if (s.size() != word.size()) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    wchar_t c = s[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != word[i]) return false;
  }
  return true;
}

int hex_digit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// A number and its unit. Values beyond kMaxCssNumber are cut to it and
// infinities and NaN are refused, so that no later product or conversion to
// int can overflow.
std::optional<double> number(std::wstring_view s, std::wstring_view* unit) {
  // wcstod wants a terminated text: short values are copied to the stack.
  wchar_t local[64];
  std::wstring heap;
  const wchar_t* text = local;
  if (s.size() < std::size(local)) {
    std::copy(s.begin(), s.end(), local);
    local[s.size()] = L'\0';
  } else {
    heap.assign(s);
    text = heap.c_str();
  }
  wchar_t* end = nullptr;
  double v = std::wcstod(text, &end);
  if (end == text || !std::isfinite(v)) return std::nullopt;
  *unit = s.substr(static_cast<size_t>(end - text));
  return std::clamp(v, -kMaxCssNumber, kMaxCssNumber);
}

int clamped_int(double v) { return static_cast<int>(std::clamp(v, -kMaxCssNumber, kMaxCssNumber)); }

template <typename E, size_t N>
std::optional<E> keyword(std::wstring_view v, const std::pair<const wchar_t*, E> (&table)[N]) {
  for (const auto& [name, e] : table)
    if (is_word(v, name)) return e;
  return std::nullopt;
}

void set_edges_len(length (&edges)[4], const std::vector<length>& v) {
  if (v.empty()) return;
  edges[0] = v[0];
  edges[1] = v.size() > 1 ? v[1] : v[0];
  edges[2] = v.size() > 2 ? v[2] : v[0];
  edges[3] = v.size() > 3 ? v[3] : edges[1];
}

bool edges_px(int (&edges)[4], std::wstring_view value, int font_size) {
  std::vector<length> v;
  for (auto w : split_words(value)) {
    auto l = parse_length(w, font_size);
    if (!l) return false;
    v.push_back(*l);
  }
  if (v.empty() || v.size() > 4) return false;
  length tmp[4];
  set_edges_len(tmp, v);
  for (int i = 0; i < 4; ++i) edges[i] = tmp[i].resolve(0, 0);
  return true;
}

// "1px solid #ccc" for the edges selected by `mask` (bit 0 top .. bit 3 left).
bool border_shorthand(computed_style& s, std::wstring_view value, unsigned mask) {
  int width = 0;
  std::optional<color> col;
  bool none = false;
  for (auto w : split_words(value)) {
    std::wstring l = lower(w);
    if (l == L"none" || l == L"hidden") none = true;
    else if (l == L"solid" || l == L"dotted" || l == L"dashed" || l == L"double" || l == L"inset" || l == L"outset") continue;
    else if (auto len = parse_length(w, s.font_size)) width = len->resolve(0, 0);
    else if (l == L"thin") width = 1;
    else if (auto c = parse_color(w)) col = c;
    else return false;
  }
  for (int i = 0; i < 4; ++i) {
    if (!(mask & (1u << i))) continue;
    s.border[i] = none ? 0 : width;
    if (col) s.border_color[i] = *col;
  }
  return true;
}

bool background_shorthand(computed_style& s, std::wstring_view value) {
  for (auto w : split_words(value)) {
    std::wstring l = lower(w);
    if (l.starts_with(L"url(")) s.background_image.url = parse_url(w);
    else if (l == L"none") s.background_image.url.clear();
    else if (auto c = parse_color(w)) s.background_color = *c;
    else if (l == L"repeat") s.background_image.repeat = repeat_t::REPEAT;
    else if (l == L"no-repeat") s.background_image.repeat = repeat_t::NO_REPEAT;
    else if (l == L"repeat-x") s.background_image.repeat = repeat_t::REPEAT_X;
    else if (l == L"repeat-y") s.background_image.repeat = repeat_t::REPEAT_Y;
    else if (l == L"stretch" || l == L"expand") s.background_image.repeat = repeat_t::STRETCH;
  }
  return true;
}

const std::pair<const wchar_t*, repeat_t> kRepeat[] = {
    {L"repeat", repeat_t::REPEAT}, {L"no-repeat", repeat_t::NO_REPEAT}, {L"repeat-x", repeat_t::REPEAT_X},
    {L"repeat-y", repeat_t::REPEAT_Y}, {L"stretch", repeat_t::STRETCH}, {L"expand", repeat_t::STRETCH}};
const std::pair<const wchar_t*, display_t> kDisplay[] = {
    {L"none", display_t::NONE}, {L"block", display_t::BLOCK}, {L"inline", display_t::INLINE},
    {L"inline-block", display_t::INLINE_BLOCK}, {L"table", display_t::TABLE}, {L"table-row", display_t::TABLE_ROW},
    {L"table-cell", display_t::TABLE_CELL}, {L"table-row-group", display_t::TABLE_ROW_GROUP},
    {L"table-header-group", display_t::TABLE_ROW_GROUP}, {L"list-item", display_t::LIST_ITEM}};

}  // namespace

const wchar_t* display_name(display_t d) {
  for (const auto& [name, e] : kDisplay)
    if (e == d) return name;
  return L"inline";
}

std::optional<color> parse_color(std::wstring_view text) {
  std::wstring t = lower(text);
  if (t.size() == 4 && t[0] == L'#') {
    int r = hex_digit(t[1]), g = hex_digit(t[2]), b = hex_digit(t[3]);
    if (r < 0 || g < 0 || b < 0) return std::nullopt;
    return rgb(r * 17, g * 17, b * 17);
  }
  if (t.size() == 7 && t[0] == L'#') {
    int d[6];
    for (int i = 0; i < 6; ++i)
      if ((d[i] = hex_digit(t[i + 1])) < 0) return std::nullopt;
    return rgb(d[0] * 16 + d[1], d[2] * 16 + d[3], d[4] * 16 + d[5]);
  }
  if ((t.starts_with(L"rgb(") || t.starts_with(L"rgba(")) && t.back() == L')') {
    std::wstring body = t.substr(t.find(L'(') + 1);
    body.pop_back();
    double v[4] = {0, 0, 0, 1};
    int n = 0;
    size_t pos = 0;
    while (n < 4 && pos <= body.size()) {
      size_t comma = body.find(L',', pos);
      std::wstring_view unit;
      auto num = number(std::wstring_view(body).substr(pos, comma == std::wstring::npos ? std::wstring::npos : comma - pos), &unit);
      if (!num) return std::nullopt;
      v[n++] = *num;
      if (comma == std::wstring::npos) break;
      pos = comma + 1;
    }
    if (n < 3) return std::nullopt;
    auto clamp = [](double x) { return static_cast<int>(std::clamp(x, 0.0, 255.0)); };
    unsigned a = static_cast<unsigned>(clamp(v[3] * 255));
    return (a << 24) | (rgb(clamp(v[0]), clamp(v[1]), clamp(v[2])) & 0xFFFFFF);
  }
  static const std::pair<const wchar_t*, color> kNamed[] = {
      {L"transparent", COLOR_TRANSPARENT}, {L"black", rgb(0, 0, 0)}, {L"white", rgb(255, 255, 255)},
      {L"red", rgb(255, 0, 0)}, {L"green", rgb(0, 128, 0)}, {L"blue", rgb(0, 0, 255)}, {L"gray", rgb(128, 128, 128)},
      {L"grey", rgb(128, 128, 128)}, {L"silver", rgb(192, 192, 192)}, {L"yellow", rgb(255, 255, 0)},
      {L"orange", rgb(255, 165, 0)}, {L"navy", rgb(0, 0, 128)}, {L"maroon", rgb(128, 0, 0)},
      {L"lime", rgb(0, 255, 0)}, {L"purple", rgb(128, 0, 128)}, {L"teal", rgb(0, 128, 128)}};
  for (const auto& [name, c] : kNamed)
    if (t == name) return c;
  return std::nullopt;
}

std::optional<length> parse_length(std::wstring_view text, int font_size) {
  if (is_word(text, L"auto")) return length{};
  std::wstring_view unit;
  auto n = number(text, &unit);
  if (!n) return std::nullopt;
  if (unit.empty() || is_word(unit, L"px")) return length::px(static_cast<float>(*n));
  if (unit == L"%") return length{length::PERCENT, static_cast<float>(*n)};
  if (is_word(unit, L"em")) return length::px(static_cast<float>(clamped_int(*n * font_size)));
  if (is_word(unit, L"pt")) return length::px(static_cast<float>(*n * 4 / 3));
  return std::nullopt;
}

int parse_pixel_attribute(std::wstring_view text) {
  std::wstring_view unit;
  const auto n = number(text, &unit);
  return n ? static_cast<int>(std::clamp(*n, 0.0, kMaxCssNumber)) : 0;
}

std::wstring parse_url(std::wstring_view text) {
  std::wstring_view t = text;
  if (t.size() >= 5 && lower(t.substr(0, 4)) == L"url(" && t.back() == L')') t = t.substr(4, t.size() - 5);
  while (!t.empty() && t.front() == L' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == L' ') t.remove_suffix(1);
  if (t.size() >= 2 && (t.front() == L'"' || t.front() == L'\'') && t.back() == t.front()) t = t.substr(1, t.size() - 2);
  return std::wstring(t);
}

bool apply_property(computed_style& s, std::string_view name, std::wstring_view value, const computed_style& parent) {
  if (is_word(value, L"inherit")) {
    computed_style copy = s;
    copy.inherit_from(parent);
    s = copy;
    return true;
  }
  auto len = [&](length& out) { auto l = parse_length(value, s.font_size); if (l) out = *l; return l.has_value(); };
  if (name == "display") { auto d = keyword(value, kDisplay); if (d) s.display = *d; return d.has_value(); }
  if (name == "position") {
    static const std::pair<const wchar_t*, position_t> k[] = {{L"static", position_t::STATIC_POS}, {L"relative", position_t::RELATIVE_POS},
                                                              {L"absolute", position_t::ABSOLUTE_POS}, {L"fixed", position_t::FIXED_POS}};
    auto p = keyword(value, k); if (p) s.position = *p; return p.has_value();
  }
  if (name == "left") return len(s.left);
  if (name == "top") return len(s.top);
  if (name == "right") return len(s.right);
  if (name == "bottom") return len(s.bottom);
  if (name == "width") return len(s.width);
  if (name == "height") return len(s.height);
  if (name == "margin") {
    std::vector<length> v;
    for (auto w : split_words(value)) { auto l = parse_length(w, s.font_size); if (!l) return false; v.push_back(*l); }
    if (v.empty() || v.size() > 4) return false;
    set_edges_len(s.margin, v);
    return true;
  }
  // margin-SIDE, padding-SIDE, border-SIDE[-width|-color]
  static constexpr std::string_view kSides[] = {"top", "right", "bottom", "left"};
  for (const std::string_view prefix : {std::string_view("margin-"), std::string_view("padding-"), std::string_view("border-")}) {
    if (!name.starts_with(prefix)) continue;
    const std::string_view rest = name.substr(prefix.size());
    for (int i = 0; i < 4; ++i) {
      if (!rest.starts_with(kSides[i])) continue;
      const std::string_view part = rest.substr(kSides[i].size());
      if (prefix == "margin-" && part.empty()) return len(s.margin[i]);
      if (prefix == "padding-" && part.empty()) { length l; if (!len(l)) return false; s.padding[i] = l.resolve(0, 0); return true; }
      if (prefix != "border-") continue;
      if (part.empty()) return border_shorthand(s, value, 1u << i);
      if (part == "-width") { length l; if (!len(l)) return false; s.border[i] = l.resolve(0, 0); return true; }
      if (part == "-color") { auto c = parse_color(value); if (c) s.border_color[i] = *c; return c.has_value(); }
    }
  }
  if (name == "padding") return edges_px(s.padding, value, s.font_size);
  if (name == "border") return border_shorthand(s, value, 0xF);
  if (name == "border-width") return edges_px(s.border, value, s.font_size);
  if (name == "border-color") { auto c = parse_color(value); if (c) for (auto& e : s.border_color) e = *c; return c.has_value(); }
  if (name == "border-style") { if (is_word(value, L"none")) for (auto& b : s.border) b = 0; return true; }
  if (name == "border-radius") { length l; if (!len(l)) return false; s.border_radius = l.resolve(0, 0); return true; }
  if (name == "background-color") { auto c = parse_color(value); if (c) s.background_color = *c; return c.has_value(); }
  if (name == "background") return background_shorthand(s, value);
  if (name == "background-image") { s.background_image.url = is_word(value, L"none") ? std::wstring() : parse_url(value); return true; }
  if (name == "background-repeat") { auto r = keyword(value, kRepeat); if (r) s.background_image.repeat = *r; return r.has_value(); }
  if (name == "foreground-image") { s.foreground_image.url = is_word(value, L"none") ? std::wstring() : parse_url(value); return true; }
  if (name == "foreground-repeat") { auto r = keyword(value, kRepeat); if (r) s.foreground_image.repeat = *r; return r.has_value(); }
  if (name == "color") { auto c = parse_color(value); if (c) s.text_color = *c; return c.has_value(); }
  if (name == "font-size") {
    auto l = parse_length(value, parent.font_size);
    if (!l || l->is_auto()) return false;
    s.font_size = std::clamp(l->resolve(parent.font_size, parent.font_size), 0, kMaxFontSize);
    return true;
  }
  if (name == "font-weight") {
    std::wstring l = lower(value);
    if (l == L"bold" || l == L"bolder") s.font_weight = 700;
    else if (l == L"normal" || l == L"lighter") s.font_weight = 400;
    else if (auto n = parse_length(value, 0); n && n->kind == length::PX) s.font_weight = static_cast<int>(n->v);
    else return false;
    return true;
  }
  if (name == "font-family") { s.font_family = value; return true; }
  if (name == "text-align") {
    static const std::pair<const wchar_t*, align_t> k[] = {{L"left", align_t::LEFT}, {L"center", align_t::CENTER}, {L"right", align_t::RIGHT}};
    auto a = keyword(value, k); if (a) s.text_align = *a; return a.has_value();
  }
  if (name == "vertical-align") {
    static const std::pair<const wchar_t*, valign_t> k[] = {{L"baseline", valign_t::BASELINE}, {L"top", valign_t::TOP},
                                                            {L"middle", valign_t::MIDDLE}, {L"bottom", valign_t::BOTTOM}};
    auto a = keyword(value, k); if (a) s.vertical_align = *a; return a.has_value();
  }
  if (name == "line-height") {
    if (is_word(value, L"normal")) { s.line_height = -1; return true; }
    std::wstring_view unit;
    auto n = number(value, &unit);
    if (n && unit.empty()) { s.line_height = clamped_int(*n * s.font_size); return true; }
    length l; if (!len(l)) return false; s.line_height = l.resolve(s.font_size, -1); return true;
  }
  if (name == "text-decoration") { s.underline = lower(value).find(L"underline") != std::wstring::npos; return true; }
  if (name == "cursor") {
    static const std::pair<const wchar_t*, cursor_t> k[] = {{L"auto", cursor_t::AUTO}, {L"default", cursor_t::DEFAULT},
                                                            {L"pointer", cursor_t::POINTER}, {L"hand", cursor_t::POINTER},
                                                            {L"text", cursor_t::TEXT}, {L"wait", cursor_t::WAIT}, {L"move", cursor_t::MOVE}};
    auto c = keyword(value, k); if (c) s.cursor = *c; return c.has_value();
  }
  if (name == "overflow" || name == "overflow-y") {
    static const std::pair<const wchar_t*, overflow_t> k[] = {{L"visible", overflow_t::VISIBLE}, {L"hidden", overflow_t::HIDDEN},
                                                              {L"auto", overflow_t::AUTO}, {L"scroll", overflow_t::SCROLL},
                                                              {L"scroll-indicator", overflow_t::AUTO}};
    auto o = keyword(value, k); if (o) s.overflow = *o; return o.has_value();
  }
  if (name == "white-space") {
    static const std::pair<const wchar_t*, white_space_t> k[] = {{L"normal", white_space_t::NORMAL}, {L"nowrap", white_space_t::NOWRAP},
                                                                 {L"pre", white_space_t::PRE}, {L"pre-line", white_space_t::PRE_LINE}};
    auto w = keyword(value, k); if (w) s.white_space = *w; return w.has_value();
  }
  if (name == "behavior") {
    std::string b;
    for (wchar_t c : value) b += c < 0x80 ? static_cast<char>(c) : '?';
    s.behavior = b == "none" ? std::string() : b;
    return true;
  }
  return false;
}

}  // namespace htmlayout
