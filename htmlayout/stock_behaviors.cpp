#include "htmlayout/stock_behaviors.h"

#include <algorithm>
#include <string>

#include "htmlayout/css_values.h"
#include "htmlayout/document.h"
#include "htmlayout/dom.h"
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

constexpr int kGripWidth = 5;       // pixels at a cell's right edge that start a resize
constexpr int kMinColumnWidth = 8;  // border box

// The cell of `table`'s first row whose resize grip is at `pos`, or null.
HELEMENT grip_cell(HELEMENT table, HELEMENT target, point pos) {
  if (!table || !table->doc) return nullptr;
  auto first_row = std::find_if(table->children.begin(), table->children.end(), [](HELEMENT c) { return c->is_element(); });
  if (first_row == table->children.end()) return nullptr;
  for (HELEMENT e = target; e && e != table; e = e->parent) {
    if (e->parent != *first_row) continue;
    rect box = table->doc->box_of(e);
    return pos.x >= box.right - kGripWidth && pos.x < box.right ? e : nullptr;
  }
  return nullptr;
}

// Dragging the right edge of a first-row cell of a table sets that cell's
// width, which a fixed table takes for the whole column. The drag follows the
// pointer while it is over the table; one drag runs at a time.
class column_resizer : public event_handler {
 public:
  column_resizer() : event_handler(HANDLE_MOUSE) {}
  ~column_resizer() override { end_drag(); }

  void detached(HELEMENT he) override {
    if (cell_ && inside(cell_, he)) end_drag();
  }

  bool handle_mouse(HELEMENT he, MOUSE_PARAMS& p) override {
    if (cell_ && inside(cell_, he)) {
      if (p.cmd == (MOUSE_MOVE | SINKING) && (p.button_state & MAIN_MOUSE_BUTTON)) {
        resize(p.pos_document.x);
        return true;
      }
      if ((p.cmd & ~SINKING) == MOUSE_UP || (p.cmd & ~SINKING) == MOUSE_MOVE) {
        end_drag();  // released, possibly outside the table
        return (p.cmd & ~SINKING) == MOUSE_UP;
      }
      return false;
    }
    if (p.cmd != (MOUSE_DOWN | SINKING) || !(p.button_state & MAIN_MOUSE_BUTTON)) return false;
    HELEMENT cell = grip_cell(he, p.target, p.pos_document);
    if (!cell) return false;
    end_drag();
    retain(cell);
    cell_ = cell;
    from_x_ = p.pos_document.x;
    from_width_ = cell->doc->box_of(cell).width();
    return true;
  }

 private:
  void resize(int x) {
    const computed_style& s = cell_->style;
    int extra = s.padding[1] + s.padding[3] + s.border[1] + s.border[3];
    int width = std::max(kMinColumnWidth, from_width_ + x - from_x_) - extra;
    dom::element(cell_).set_style_attribute("width", std::to_wstring(std::max(0, width)) + L"px");
  }
  void end_drag() {
    release(cell_);
    cell_ = nullptr;
  }

  HELEMENT cell_ = nullptr;
  int from_x_ = 0, from_width_ = 0;
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
  static column_resizer resizer;
  if (name == "button") return &button;
  if (name == "hyperlink") return &hyperlink;
  if (name == "checkbox") return &check;
  if (name == "edit" || name == "password") return &text_box;
  if (name == "progress") return &progress;
  if (name == "column-resizer") return &resizer;
  return nullptr;
}

bool column_resize_grip(HELEMENT table, HELEMENT target, point pos) {
  return table && table->has_handler("column-resizer") && grip_cell(table, target, pos);
}

value control_value(HELEMENT el) {
  if (!el) return {};
  if (el->has_handler("checkbox")) return value::make_bool(el->state & STATE_CHECKED);
  if (el->has_handler("progress")) {
    const std::wstring* v = el->attribute("value");
    return value::make_int(v ? parse_pixel_attribute(*v) : 0);
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
