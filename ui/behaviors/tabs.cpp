#include "ui/behaviors/tabs.h"

#include <string>

namespace htmlayout {
namespace {

std::wstring panel_selector(const std::wstring& name) { return L":root>[name=\"" + name + L"\"]"; }

bool enabled(dom::element tab) { return !tab.get_state(STATE_DISABLED); }

}  // namespace

void tabs::attached(HELEMENT he) {
  dom::element view(he);
  dom::element tab = view.find_first(L":root>.strip>[panel][selected]");
  if (!tab.is_valid()) return;
  dom::element panel = view.find_first(panel_selector(tab.get_attribute("panel")));
  if (!panel.is_valid()) return;
  tab.parent().set_state(STATE_CURRENT);
  tab.set_state(STATE_CURRENT);
  panel.set_state(STATE_EXPANDED);
}

dom::element tabs::tab_of(dom::element tab_view, HELEMENT target) {
  for (dom::element e(target); e.is_valid() && !(e == tab_view); e = e.parent())
    if (e.has_attribute("panel")) return e;
  return {};
}

void tabs::select_tab(dom::element tab_view, dom::element tab) {
  if (tab.get_state(STATE_CURRENT)) return;
  dom::element old_panel = tab_view.find_first(L":root>[name]:expanded");
  dom::element old_tab = tab_view.find_first(L":root>.strip>[panel]:current");
  dom::element new_panel = tab_view.find_first(panel_selector(tab.get_attribute("panel")));
  if (!new_panel.is_valid()) return;
  if (old_panel.is_valid()) {
    old_panel.remove_attribute("selected");
    old_panel.set_state(STATE_COLLAPSED, STATE_EXPANDED);
  }
  if (old_tab.is_valid()) {
    old_tab.remove_attribute("selected");
    old_tab.set_state(0, STATE_CURRENT);
  }
  new_panel.set_attribute("selected", L"");
  new_panel.set_state(STATE_EXPANDED, STATE_COLLAPSED);
  tab.set_attribute("selected", L"");
  tab.set_state(STATE_CURRENT);
  if (old_tab.is_valid()) old_tab.post_event(ELEMENT_COLLAPSED, 0, old_tab);
  tab.post_event(ELEMENT_EXPANDED, 0, tab);
}

bool tabs::move(dom::element tab_view, direction d) {
  dom::element current = tab_view.find_first(L":root>.strip>[panel]:current");
  dom::element strip = current.is_valid() ? current.parent() : tab_view.find_first(L":root>.strip");
  if (!strip.is_valid()) return false;
  int count = static_cast<int>(strip.children_count());
  int from = 0, step = 1;
  switch (d) {
    case direction::first: from = 0; step = 1; break;
    case direction::last: from = count - 1; step = -1; break;
    case direction::next: from = current.is_valid() ? current.index() + 1 : 0; step = 1; break;
    case direction::previous: from = current.is_valid() ? current.index() - 1 : count - 1; step = -1; break;
  }
  for (int i = from; i >= 0 && i < count; i += step) {
    dom::element tab = strip.child(static_cast<unsigned>(i));
    if (tab.has_attribute("panel") && enabled(tab)) {
      select_tab(tab_view, tab);
      return true;
    }
  }
  return false;
}

bool tabs::handle_mouse(HELEMENT he, MOUSE_PARAMS& p) {
  if (p.cmd != MOUSE_DOWN && p.cmd != MOUSE_DCLICK) return false;
  dom::element view(he);
  dom::element tab = tab_of(view, p.target);
  if (!tab.is_valid()) return false;
  select_tab(view, tab);
  return true;
}

bool tabs::handle_key(HELEMENT he, KEY_PARAMS& p) {
  if (p.cmd != KEY_DOWN) return false;
  dom::element view(he);
  bool ctrl = p.alt_state & CONTROL_KEY_PRESSED, shift = p.alt_state & SHIFT_KEY_PRESSED;
  if (p.key_code == KEYCODE_TAB) {
    if (!ctrl) return false;
    move(view, shift ? direction::previous : direction::next);
    return true;
  }
  bool focused = false;
  for (dom::element e = view; e.is_valid() && !focused; e = e.parent()) focused = e.get_state(STATE_FOCUS);
  if (!focused) return false;
  switch (p.key_code) {
    case KEYCODE_RIGHT: move(view, direction::next); return true;
    case KEYCODE_LEFT: move(view, direction::previous); return true;
    case KEYCODE_HOME: move(view, direction::first); return true;
    case KEYCODE_END: move(view, direction::last); return true;
    default: return false;
  }
}

bool tabs::on_event(HELEMENT he, HELEMENT target, BEHAVIOR_EVENTS type, uintptr_t) {
  if (type != ACTIVATE_CHILD) return false;
  dom::element view(he);
  dom::element tab = tab_of(view, target);
  if (!tab.is_valid()) return false;
  select_tab(view, tab);
  return true;
}

bool tabs::on_script_call(HELEMENT he, XCALL_PARAMS& p) {
  if (p.method_name != "select") return false;
  if (p.argv.size() == 1 && p.argv[0].type == T_STRING) {
    dom::element view(he);
    dom::element tab = view.find_first(L":root>.strip>[panel=\"" + p.argv[0].s + L"\"]");
    if (tab.is_valid()) select_tab(view, tab);
  }
  return true;
}

}  // namespace htmlayout
