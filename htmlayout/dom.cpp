#include "htmlayout/dom.h"

#include <algorithm>

#include "base/text_convert.h"
#include "htmlayout/css_values.h"
#include "htmlayout/selector.h"
#include "htmlayout/stock_behaviors.h"

namespace htmlayout::dom {
namespace {

std::vector<HELEMENT> element_children(HELEMENT h) {
  std::vector<HELEMENT> out;
  if (h)
    for (HELEMENT c : h->children)
      if (!c->is_text) out.push_back(c);
  return out;
}

// Pre-order walk of the descendants; stops when `fn` returns true.
bool walk(HELEMENT h, const std::function<bool(HELEMENT)>& fn) {
  for (HELEMENT c : std::vector<HELEMENT>(h->children)) {
    if (c->is_text) continue;
    if (fn(c) || walk(c, fn)) return true;
  }
  return false;
}

// A style depends on the element, its ancestors and its place among its
// siblings: a change at `h` (an attribute, its text, its children) restyles
// h's subtree, and the page is laid out again. Below a parent that is not
// shown nothing on screen changes, and nothing is drawn again (a hidden
// panel's figures change every second).
void restyle(HELEMENT h) {
  if (!h || !h->doc) return;
  const bool shown = !h->parent || (h->parent->state & STATE_VISIBLE) != 0;
  h->doc->invalidate_states(h, shown);
  h->doc->invalidate_layout(shown);
}

}  // namespace

element::element(HELEMENT h) : h_(h) { retain(h_); }
element::element(const element& o) : h_(o.h_) { retain(h_); }
element::element(element&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
element& element::operator=(const element& o) {
  retain(o.h_);
  release(h_);
  h_ = o.h_;
  return *this;
}
element& element::operator=(element&& o) noexcept {
  if (this != &o) {
    release(h_);
    h_ = o.h_;
    o.h_ = nullptr;
  }
  return *this;
}
element::~element() { release(h_); }

element element::create(std::string_view tag, std::wstring_view text) {
  HELEMENT h = make_element(tag);
  if (!text.empty()) append_child(h, make_text(text));
  element e(h);
  return e;
}

unsigned element::children_count() const { return static_cast<unsigned>(element_children(h_).size()); }

element element::child(unsigned index) const {
  auto kids = element_children(h_);
  return index < kids.size() ? element(kids[index]) : element();
}

element element::parent() const { return h_ ? element(h_->parent) : element(); }

int element::index() const {
  if (!h_ || !h_->parent) return -1;
  auto sibs = element_children(h_->parent);
  return static_cast<int>(std::find(sibs.begin(), sibs.end(), h_) - sibs.begin());
}

void element::insert(const element& e, unsigned index) {
  if (!h_ || !e.h_) return;
  for (HELEMENT a = h_; a; a = a->parent)
    if (a == e.h_) return;  // an element cannot go inside itself
  auto kids = element_children(h_);
  size_t at = index < kids.size() ? static_cast<size_t>(kids[index]->index_in_parent()) : h_->children.size();
  if (e.h_->parent == h_ && at > static_cast<size_t>(e.h_->index_in_parent())) --at;
  HELEMENT from = e.h_->parent;  // a moved element leaves its old siblings renumbered
  retain(from);
  insert_child(h_, e.h_, at);
  if (from != h_) restyle(from);
  release(from);
  restyle(h_);
}

void element::destroy() {
  if (!h_ || !h_->parent) return;
  document* doc = h_->doc;
  detach(h_);
  if (doc) doc->invalidate_style();
}

void element::clear() {
  if (!h_) return;
  while (!h_->children.empty()) detach(h_->children.back());
  restyle(h_);
}

std::wstring element::get_attribute(std::string_view name) const {
  const std::wstring* v = h_ ? h_->attribute(ascii_lower(name)) : nullptr;
  return v ? *v : std::wstring();
}

bool element::has_attribute(std::string_view name) const { return h_ && h_->attribute(ascii_lower(name)); }

void element::set_attribute(std::string_view name, std::wstring_view value) {
  if (!h_) return;
  h_->set_attribute(ascii_lower(name), value);
  restyle(h_);
}

void element::remove_attribute(std::string_view name) {
  if (h_ && h_->remove_attribute(ascii_lower(name))) restyle(h_);
}

std::wstring element::text() const {
  if (h_ && (h_->has_handler("edit") || h_->has_handler("password"))) return control_value(h_).s;
  return inner_text(h_);
}

void element::set_text(std::wstring_view text) {
  if (!h_) return;
  if (h_->has_handler("edit") || h_->has_handler("password")) {
    set_control_value(h_, value::make_string(std::wstring(text)));
    return;
  }
  set_inner_text(h_, text);
  restyle(h_);
}

void element::set_text_utf8(std::string_view utf8) { set_text(kestro::fromUtf8(utf8)); }

std::wstring element::get_style_attribute(std::string_view name) const {
  if (!h_) return {};
  std::string n = ascii_lower(name);
  for (const auto& [k, v] : h_->runtime_styles)
    if (k == n) return kestro::fromUtf8(v);
  for (const auto& [k, v] : h_->custom_styles)
    if (k == n) return kestro::fromUtf8(v);
  if (n == "display") return display_name(h_->style.display);
  return {};
}

void element::set_style_attribute(std::string_view name, std::wstring_view value) {
  if (!h_) return;
  std::string n = ascii_lower(name);
  auto& styles = h_->runtime_styles;
  std::erase_if(styles, [&](const auto& p) { return p.first == n; });
  if (!value.empty()) styles.emplace_back(n, kestro::toUtf8(value));
  restyle(h_);
}

unsigned element::get_state() const { return h_ ? h_->state : 0; }

void element::set_state(unsigned to_set, unsigned to_clear) {
  if (!h_) return;
  if (h_->doc) {
    if ((to_set & STATE_FOCUS) && h_->doc->focus() != h_) h_->doc->set_focus(h_);
    h_->doc->set_state(h_, to_set & ~STATE_FOCUS, to_clear & ~STATE_FOCUS);
    if ((to_clear & STATE_FOCUS) && h_->doc->focus() == h_) h_->doc->set_focus(nullptr);
  } else {
    h_->state = (h_->state & ~to_clear) | to_set;
  }
}

void element::select_elements(callback& cb, std::wstring_view selector) const {
  if (!h_) return;
  auto sels = parse_selectors(selector);
  if (!sels) return;
  HELEMENT scope = h_;
  walk(h_, [&](HELEMENT c) { return matches_any(*sels, c, scope) && cb.on_element(c); });
}

element element::find_first(std::wstring_view selector) const {
  find_first_callback cb;
  select_elements(cb, selector);
  return cb.hfound;
}

std::vector<element> element::find_all(std::wstring_view selector) const {
  struct all : callback {
    std::vector<element> found;
    bool on_element(HELEMENT he) override { found.emplace_back(he); return false; }
  } cb;
  select_elements(cb, selector);
  return cb.found;
}

void element::visit_elements(callback& cb, std::string_view tag, std::string_view attribute, std::wstring_view value) const {
  if (!h_) return;
  std::string t = ascii_lower(tag), a = ascii_lower(attribute);
  walk(h_, [&](HELEMENT c) {
    if (!t.empty() && c->tag != t) return false;
    if (!a.empty()) {
      const std::wstring* v = c->attribute(a);
      if (!v || (!value.empty() && *v != value)) return false;
    }
    return cb.on_element(c);
  });
}

element element::find_by_id(std::wstring_view id) const {
  find_first_callback cb;
  visit_elements(cb, "", "id", id);
  return cb.hfound;
}

void element::sort(unsigned start, unsigned end, const element_comparator& cmp) {
  if (!h_) return;
  auto kids = element_children(h_);
  end = std::min<unsigned>(end, static_cast<unsigned>(kids.size()));
  if (start >= end) return;
  std::vector<HELEMENT> part(kids.begin() + start, kids.begin() + end);
  std::stable_sort(part.begin(), part.end(), [&](HELEMENT a, HELEMENT b) { return cmp(a, b) < 0; });
  // Put the sorted elements back into the slots the range held.
  size_t k = 0;
  for (auto& c : h_->children) {
    if (c->is_text) continue;
    int idx = static_cast<int>(std::find(kids.begin(), kids.end(), c) - kids.begin());
    if (idx >= static_cast<int>(start) && idx < static_cast<int>(end)) c = part[k++];
  }
  if (h_->doc) h_->doc->invalidate_layout();
}

rect element::get_location() const {
  if (!h_ || !h_->doc) return {};
  h_->doc->update();
  return h_->doc->box_of(h_);
}

rect element::get_content_location() const {
  if (!h_ || !h_->doc) return {};
  h_->doc->update();
  return h_->doc->content_box_of(h_);
}

void element::scroll_to_view() {
  if (h_ && h_->doc) h_->doc->scroll_into_view(h_);
}

// Its own box alone is drawn again: a chart's repaint every second is not the whole window's.
void element::update() {
  if (h_ && h_->doc) h_->doc->host().invalidate_area(h_->doc->box_of(h_));
}

bool element::send_event(unsigned code, uintptr_t reason, HELEMENT target) const {
  return h_ && h_->doc && h_->doc->send_behavior_event(h_, code, target ? target : h_, reason);
}

void element::post_event(unsigned code, uintptr_t reason, HELEMENT target) const {
  if (h_ && h_->doc) h_->doc->post_behavior_event(h_, code, target ? target : h_, reason);
}

bool element::call_behavior_method(METHOD_PARAMS& params) const { return h_ && h_->doc && h_->doc->call_method(h_, params); }

bool element::call_method(std::string_view name, std::vector<value> args, value* result) const {
  XCALL_PARAMS p;
  p.method_name = name;
  p.argv = std::move(args);
  bool handled = call_behavior_method(p);
  if (handled && result) *result = p.retval;
  return handled;
}

void element::set_timer(unsigned ms, uintptr_t id) const {
  if (h_ && h_->doc) h_->doc->set_timer(h_, ms, id);
}

value element::get_value() const { return control_value(h_); }

void element::set_value(const value& v) { set_control_value(h_, v); }

}  // namespace htmlayout::dom
