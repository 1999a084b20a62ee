// The program's view of page elements: `dom::element` holds one reference of
// its element, so a kept element stays valid after re-layout and even after
// it leaves the page (it is then detached and changes nothing on screen).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "htmlayout/document.h"
#include "htmlayout/types.h"

namespace htmlayout::dom {

// Visitor for element searches; returning true stops the search.
class callback {
 public:
  virtual ~callback() = default;
  virtual bool on_element(HELEMENT he) = 0;
};

class find_first_callback : public callback {
 public:
  bool on_element(HELEMENT he) override { hfound = he; return true; }
  HELEMENT hfound = nullptr;
};

// Negative, zero or positive as `a` sorts before, with or after `b`.
using element_comparator = std::function<int(HELEMENT a, HELEMENT b)>;

class element {
 public:
  element() = default;
  element(HELEMENT h);  // NOLINT: an element is its handle
  element(const element& other);
  element(element&& other) noexcept;
  element& operator=(const element& other);
  element& operator=(element&& other) noexcept;
  ~element();

  operator HELEMENT() const { return h_; }
  HELEMENT operator->() const { return h_; }
  bool is_valid() const { return h_ != nullptr; }
  bool operator==(const element& o) const { return h_ == o.h_; }

  static element root_element(const document& doc) { return doc.root(); }
  // A new element outside any page; insert it to show it.
  static element create(std::string_view tag, std::wstring_view text = {});

  // Tree.
  unsigned children_count() const;
  element child(unsigned index) const;  // elements only; text is not counted
  element parent() const;
  int index() const;                    // among the parent's element children
  // Inserts `e` as element child number `index`; indexes past the end append (2147483647 does).
  void insert(const element& e, unsigned index);
  void append(const element& e) { insert(e, 0x7FFFFFFF); }
  // Takes the element out of its page.
  void destroy();
  void clear();  // removes all children

  // Attributes ("id", "class", "value", "src", "title", ...).
  std::wstring get_attribute(std::string_view name) const;
  bool has_attribute(std::string_view name) const;
  void set_attribute(std::string_view name, std::wstring_view value);
  void remove_attribute(std::string_view name);

  // Inner text, wide or UTF-8.
  std::wstring text() const;
  void set_text(std::wstring_view text);
  void set_text_utf8(std::string_view utf8);

  // Style attributes set at run time ("display", "background-image",
  // "foreground-image", "behavior", "-value", ...); an empty value clears one.
  // Reading gives the run-time value, else a cascaded "-name" property, else
  // the computed display for "display".
  std::wstring get_style_attribute(std::string_view name) const;
  void set_style_attribute(std::string_view name, std::wstring_view value);

  unsigned get_state() const;
  bool get_state(unsigned bits) const { return (get_state() & bits) != 0; }
  void set_state(unsigned to_set, unsigned to_clear = 0);

  // Queries: ":root" means this element.
  element find_first(std::wstring_view selector) const;
  std::vector<element> find_all(std::wstring_view selector) const;
  void select_elements(callback& cb, std::wstring_view selector) const;
  // Descendants with tag (empty: any) and an attribute equal to `value`
  // (empty name: any) in document order.
  void visit_elements(callback& cb, std::string_view tag, std::string_view attribute, std::wstring_view value) const;
  element find_by_id(std::wstring_view id) const;

  // Reorders element children [start, end) (end past the last means all).
  void sort(unsigned start, unsigned end, const element_comparator& cmp);

  // View.
  rect get_location() const;          // border box in view coordinates
  rect get_content_location() const;
  void scroll_to_view();
  void update();                      // repaint soon
  bool is_visible() const { return get_state(STATE_VISIBLE); }

  // Events and behaviors.
  bool send_event(unsigned code, uintptr_t reason = 0, HELEMENT target = nullptr) const;
  void post_event(unsigned code, uintptr_t reason = 0, HELEMENT target = nullptr) const;
  bool call_behavior_method(METHOD_PARAMS& params) const;
  // Calls a method by name with values; true when a behavior handled it.
  bool call_method(std::string_view name, std::vector<value> args, value* result = nullptr) const;
  void set_timer(unsigned ms, uintptr_t id = 0) const;

  // Control values: check box T_BOOL, progress T_INT ("value"), edit T_STRING.
  value get_value() const;
  void set_value(const value& v);

 private:
  HELEMENT h_ = nullptr;
};

}  // namespace htmlayout::dom
