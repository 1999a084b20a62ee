#include "htmlayout/selector.h"

#include <set>
#include <utility>

#include "base/text_convert.h"
#include "htmlayout/types.h"

namespace htmlayout {
namespace {

bool is_ident(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' || c == L'_' || c > 0x7F;
}

std::optional<unsigned> state_of(std::wstring_view name) {
  struct entry { const wchar_t* name; unsigned bit; };
  static const entry kStates[] = {
      {L"hover", STATE_HOVER}, {L"active", STATE_ACTIVE}, {L"focus", STATE_FOCUS}, {L"link", STATE_LINK},
      {L"visited", STATE_VISITED}, {L"current", STATE_CURRENT}, {L"checked", STATE_CHECKED},
      {L"disabled", STATE_DISABLED}, {L"expanded", STATE_EXPANDED}, {L"collapsed", STATE_COLLAPSED},
      {L"anchor", STATE_ANCHOR}, {L"visible", STATE_VISIBLE}, {L"read-only", STATE_READONLY}};
  for (const auto& e : kStates)
    if (name == e.name) return e.bit;
  return std::nullopt;
}

class selector_reader {
 public:
  explicit selector_reader(std::wstring_view t) : t_(t) {}

  std::optional<std::vector<selector>> list() {
    std::vector<selector> out;
    while (true) {
      auto one = complex();
      if (!one) return std::nullopt;
      out.push_back(std::move(*one));
      skip_space();
      if (at_end()) return out;
      if (t_[p_] != L',') return std::nullopt;
      ++p_;
    }
  }

 private:
  bool at_end() const { return p_ >= t_.size(); }
  void skip_space() { while (!at_end() && (t_[p_] == L' ' || t_[p_] == L'\t' || t_[p_] == L'\n' || t_[p_] == L'\r')) ++p_; }

  std::wstring ident() {
    size_t s = p_;
    while (!at_end() && is_ident(t_[p_])) ++p_;
    return std::wstring(t_.substr(s, p_ - s));
  }

  std::optional<selector> complex() {
    selector sel;
    skip_space();
    bool child = false;
    while (true) {
      compound_selector c;
      c.child_of_previous = child;
      if (!compound(c)) return std::nullopt;
      sel.specificity += (c.id.empty() ? 0 : 10000) + 100 * static_cast<int>(c.classes.size() + c.attributes.size()) +
                         100 * __builtin_popcount(c.states) + (c.root || c.first_child || c.last_child || c.nth_offset ? 100 : 0) +
                         (c.tag.empty() ? 0 : 1);
      sel.parts.push_back(std::move(c));
      size_t before = p_;
      skip_space();
      if (at_end() || t_[p_] == L',') return sel;
      child = t_[p_] == L'>';
      if (child) { ++p_; skip_space(); }
      else if (before == p_) return std::nullopt;  // garbage right after a compound
    }
  }

  bool compound(compound_selector& c) {
    bool any = false;
    if (!at_end() && t_[p_] == L'*') { ++p_; any = true; }
    else if (!at_end() && is_ident(t_[p_])) { c.tag = kestro::toUtf8(ident()); c.tag = ascii_lower(c.tag); any = true; }
    while (!at_end()) {
      wchar_t ch = t_[p_];
      if (ch == L'#') { ++p_; c.id = ident(); if (c.id.empty()) return false; }
      else if (ch == L'.') { ++p_; auto cls = ident(); if (cls.empty()) return false; c.classes.push_back(cls); }
      else if (ch == L'[') { if (!attribute(c)) return false; }
      else if (ch == L':') {
        ++p_;
        if (!at_end() && t_[p_] == L':') return false;  // pseudo-elements are not supported
        std::wstring name = ident();
        if (name == L"root") c.root = true;
        else if (name == L"first-child") c.first_child = true;
        else if (name == L"last-child") c.last_child = true;
        else if (name == L"nth-child") { if (!nth(c)) return false; }
        else if (auto bit = state_of(name)) c.states |= *bit;
        else return false;
      } else break;
      any = true;
    }
    return any;
  }

  bool nth(compound_selector& c) {
    if (at_end() || t_[p_] != L'(') return false;
    ++p_;
    skip_space();
    std::wstring arg = ident();
    skip_space();
    if (at_end() || t_[p_] != L')') return false;
    ++p_;
    if (arg == L"odd") { c.nth_step = 2; c.nth_offset = 1; return true; }
    if (arg == L"even") { c.nth_step = 2; c.nth_offset = 2; return true; }
    if (arg.empty() || arg.size() > 6 || arg.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
    c.nth_offset = std::stoi(arg);
    return c.nth_offset > 0;
  }

  bool attribute(compound_selector& c) {
    ++p_;
    skip_space();
    attribute_test a;
    a.name = ascii_lower(kestro::toUtf8(ident()));
    if (a.name.empty()) return false;
    skip_space();
    if (!at_end() && t_[p_] == L'=') {
      ++p_;
      skip_space();
      if (at_end()) return false;
      if (t_[p_] == L'"' || t_[p_] == L'\'') {
        wchar_t q = t_[p_++];
        size_t end = t_.find(q, p_);
        if (end == std::wstring_view::npos) return false;
        a.value = std::wstring(t_.substr(p_, end - p_));
        p_ = end + 1;
      } else {
        a.value = ident();
      }
      skip_space();
    }
    if (at_end() || t_[p_] != L']') return false;
    ++p_;
    c.attributes.push_back(std::move(a));
    return true;
  }

  std::wstring_view t_;
  size_t p_ = 0;
};

bool matches_compound(const compound_selector& c, HELEMENT el, HELEMENT scope) {
  if (!el || el->is_text) return false;
  if (!c.tag.empty() && c.tag != el->tag) return false;
  if ((el->state & c.states) != c.states) return false;
  if (c.root && el != scope) return false;
  if (!c.id.empty()) {
    const std::wstring* id = el->attribute("id");
    if (!id || *id != c.id) return false;
  }
  for (const auto& cls : c.classes)
    if (!el->has_class(cls)) return false;
  for (const auto& a : c.attributes) {
    const std::wstring* v = el->attribute(a.name);
    if (!v || (a.value && *v != *a.value)) return false;
  }
  if (c.first_child || c.last_child || c.nth_offset) {
    if (!el->parent) return false;
    HELEMENT first = nullptr, last = nullptr;
    int position = 0, count = 0;
    for (HELEMENT s : el->parent->children) {
      if (s->is_text) continue;
      if (!first) first = s;
      last = s;
      ++count;
      if (s == el) position = count;
    }
    if (c.first_child && first != el) return false;
    if (c.last_child && last != el) return false;
    if (c.nth_offset) {
      int from = position - c.nth_offset;
      bool fits = c.nth_step ? from >= 0 && from % c.nth_step == 0 : from == 0;
      if (!fits) return false;
    }
  }
  return true;
}

// Right-to-left match of parts[0..i] ending at `el`. Failed (part, element)
// pairs above the first part are remembered, so descendant combinators cannot
// make a match take exponential time on deep trees; the first part is one
// compound test with nothing below it, cheaper to repeat than to remember
// (and most selectors of two parts then remember nothing).
bool matches_from(const selector& sel, size_t i, HELEMENT el, HELEMENT scope, std::set<std::pair<size_t, HELEMENT>>& failed) {
  if (!el) return false;
  if (i == 0) return matches_compound(sel.parts[0], el, scope);
  if (failed.count({i, el})) return false;
  bool ok = matches_compound(sel.parts[i], el, scope);
  if (ok) {
    if (sel.parts[i].child_of_previous) {
      ok = matches_from(sel, i - 1, el->parent, scope, failed);
    } else {
      ok = false;
      for (HELEMENT a = el->parent; a && !ok; a = a->parent) ok = matches_from(sel, i - 1, a, scope, failed);
    }
  }
  if (!ok) failed.insert({i, el});
  return ok;
}

}  // namespace

std::optional<std::vector<selector>> parse_selectors(std::wstring_view text) {
  return selector_reader(text).list();
}

bool matches(const selector& sel, HELEMENT el, HELEMENT scope) {
  if (sel.parts.empty() || !matches_compound(sel.parts.back(), el, scope)) return false;
  std::set<std::pair<size_t, HELEMENT>> failed;
  return matches_from(sel, sel.parts.size() - 1, el, scope, failed);
}

bool matches_any(const std::vector<selector>& sels, HELEMENT el, HELEMENT scope) {
  for (const auto& s : sels)
    if (matches(s, el, scope)) return true;
  return false;
}

}  // namespace htmlayout
