#include "htmlayout/stock_behaviors.h"

#include <string>

#include "htmlayout/document.h"
#include "htmlayout/node.h"

namespace htmlayout {
namespace {

bool inside(HELEMENT el, HELEMENT ancestor) {
  for (; el; el = el->parent)
    if (el == ancestor) return true;
  return false;
}

bool enabled(HELEMENT he) {
  for (HELEMENT e = he; e; e = e->parent)
    if (e->state & STATE_DISABLED) return false;
  return true;
}

// Press and release on the same element clicks it; so do Space and Enter.
class clickable : public event_handler {
 public:
  explicit clickable(unsigned code) : event_handler(HANDLE_MOUSE | HANDLE_KEY), code_(code) {}

  bool handle_mouse(HELEMENT he, MOUSE_PARAMS& p) override {
    if (p.cmd == MOUSE_UP && (he->state & STATE_ACTIVE) && inside(p.target, he) && enabled(he) && he->doc) {
      click(he);
      return true;
    }
    return false;
  }

  bool handle_key(HELEMENT he, KEY_PARAMS& p) override {
    if (p.cmd != KEY_DOWN || !(he->state & STATE_FOCUS) || !enabled(he) || !he->doc) return false;
    if (p.key_code != KEYCODE_SPACE && p.key_code != KEYCODE_RETURN) return false;
    click(he);
    return true;
  }

 protected:
  virtual void click(HELEMENT he) { he->doc->post_behavior_event(he, code_, he, 0); }
  unsigned code_;
};

class checkbox : public clickable {
 public:
  checkbox() : clickable(BUTTON_CLICK) {}

 protected:
  void click(HELEMENT he) override {
    bool was = he->state & STATE_CHECKED;
    he->doc->set_state(he, was ? 0u : unsigned(STATE_CHECKED), was ? unsigned(STATE_CHECKED) : 0u);
    ++he->value_revision;
    he->doc->post_behavior_event(he, BUTTON_STATE_CHANGED, he, 0);
    he->doc->post_behavior_event(he, BUTTON_CLICK, he, 0);
  }
};

// Typing into an edit box; the Win32 host places a native edit control over
// it instead, and this is what runs without one.
class edit : public event_handler {
 public:
  edit() : event_handler(HANDLE_KEY | HANDLE_MOUSE) {}

  bool handle_mouse(HELEMENT he, MOUSE_PARAMS& p) override {
    if (p.cmd == MOUSE_DOWN && he->doc && enabled(he)) he->doc->set_focus(he, true);
    return false;
  }

  bool handle_key(HELEMENT he, KEY_PARAMS& p) override {
    if (!(he->state & STATE_FOCUS) || !enabled(he) || !he->doc) return false;
    std::wstring text = control_value(he).s;
    if (p.cmd == KEY_CHAR && p.key_code >= 0x20 && p.key_code != 0x7F) text += static_cast<wchar_t>(p.key_code);
    else if (p.cmd == KEY_DOWN && p.key_code == KEYCODE_BACK && !text.empty()) text.pop_back();
    else return false;
    set_control_value(he, value::make_string(text));
    he->doc->post_behavior_event(he, EDIT_VALUE_CHANGED, he, 0);
    return true;
  }
};

class passive : public event_handler {
 public:
  passive() : event_handler(0) {}
};

}  // namespace

event_handler* stock_behavior(std::string_view name) {
  static clickable button(BUTTON_CLICK);
  static clickable hyperlink(HYPERLINK_CLICK);
  static checkbox check;
  static edit text_box;
  static passive progress;
  if (name == "button") return &button;
  if (name == "hyperlink") return &hyperlink;
  if (name == "checkbox") return &check;
  if (name == "edit" || name == "password") return &text_box;
  if (name == "progress") return &progress;
  return nullptr;
}

value control_value(HELEMENT el) {
  if (!el) return {};
  if (el->has_handler("checkbox")) return value::make_bool(el->state & STATE_CHECKED);
  if (el->has_handler("progress")) {
    const std::wstring* v = el->attribute("value");
    return value::make_int(v ? static_cast<int>(std::wcstol(v->c_str(), nullptr, 10)) : 0);
  }
  if (el->has_handler("edit") || el->has_handler("password")) {
    const std::wstring* v = el->attribute("value");
    return value::make_string(v ? *v : std::wstring());
  }
  return value::make_string(inner_text(el));
}

bool set_control_value(HELEMENT el, const value& v) {
  if (!el) return false;
  if (el->has_handler("checkbox")) {
    bool on = v.type == T_STRING ? v.s == L"true" : v.i != 0;
    if (el->doc) el->doc->set_state(el, on ? unsigned(STATE_CHECKED) : 0u, on ? 0u : unsigned(STATE_CHECKED));
    else el->state = on ? (el->state | STATE_CHECKED) : (el->state & ~STATE_CHECKED);
  } else if (el->has_handler("progress")) {
    el->set_attribute("value", v.type == T_STRING ? v.s : std::to_wstring(v.i));
  } else if (el->has_handler("edit") || el->has_handler("password")) {
    el->set_attribute("value", v.type == T_STRING ? v.s : std::to_wstring(v.i));
  } else {
    set_inner_text(el, v.type == T_STRING ? v.s : std::to_wstring(v.i));
  }
  ++el->value_revision;
  if (el->doc) el->doc->invalidate_style();
  return true;
}

std::wstring edit_display_text(HELEMENT el) {
  std::wstring text = control_value(el).s;
  if (el->has_handler("password")) return std::wstring(text.size(), L'\x25CF');
  return text;
}

}  // namespace htmlayout
