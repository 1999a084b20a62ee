#include "ui/behaviors/grid.h"

#include <algorithm>
#include <cwchar>

#include "htmlayout/node.h"
#include "htmlayout/stock_behaviors.h"

namespace htmlayout {
namespace {

constexpr unsigned kKeyA = 0x41;

// The ancestor-or-self of `el` that is a direct child of `parent`.
dom::element child_of(dom::element parent, HELEMENT el) {
  for (dom::element e(el); e.is_valid(); e = e.parent())
    if (e.parent() == parent) return e;
  return {};
}

bool displayed(dom::element row) { return row.is_visible(); }

// The box that scrolls the table: the nearest scrolling ancestor-or-self, or the table.
rect scroll_area(dom::element table) {
  for (dom::element e = table; e.is_valid(); e = e.parent()) {
    HELEMENT h = e;
    if (h->style.overflow == overflow_t::AUTO || h->style.overflow == overflow_t::SCROLL) return e.get_location();
  }
  return table.get_location();
}

}  // namespace

int grid::fixed_rows(dom::element table) {
  std::wstring text = table.get_attribute("fixedrows");
  long n = std::wcstol(text.c_str(), nullptr, 10);
  return n > 0 && n < 0x7FFFFFFF ? static_cast<int>(n) : 0;
}

dom::element grid::current_row(dom::element table) {
  for (int i = static_cast<int>(table.children_count()) - 1; i >= 0; --i) {
    dom::element row = table.child(static_cast<unsigned>(i));
    if (row.get_state(STATE_CURRENT)) return row;
  }
  return {};
}

void grid::check_all(dom::element table) {
  for (auto& row : table.find_all(L"tr")) row.set_state(STATE_CHECKED);
}

void grid::uncheck_all(dom::element table) {
  for (auto& row : table.find_all(L"tr:checked")) row.set_state(0, STATE_CHECKED);
}

void grid::move_current_row(dom::element table, dom::element row, unsigned alt_state, bool dbl_click) {
  dom::element previous = current_row(table);
  if (!table.has_attribute("multiple")) {
    if (previous.is_valid()) previous.set_state(0, STATE_CURRENT | STATE_CHECKED);
    row.set_state(STATE_CURRENT | STATE_CHECKED);
  } else {
    if (previous.is_valid()) previous.set_state(0, STATE_CURRENT);
    if (alt_state & SHIFT_KEY_PRESSED) {
      uncheck_all(table);
      dom::element anchor = table.find_first(L":root>:anchor");
      int from = anchor.is_valid() ? anchor.index() : 0;
      if (from < fixed_rows(table)) from = fixed_rows(table);
      int to = row.index();
      for (int i = std::min(from, to); i <= std::max(from, to); ++i) {
        dom::element r = table.child(static_cast<unsigned>(i));
        if (r.is_valid() && displayed(r)) r.set_state(STATE_CHECKED);
      }
      row.set_state(STATE_CURRENT | STATE_CHECKED);
    } else if (alt_state & CONTROL_KEY_PRESSED) {
      bool was = row.get_state(STATE_CHECKED);
      row.set_state(STATE_CURRENT | (was ? 0u : unsigned(STATE_CHECKED)), was ? unsigned(STATE_CHECKED) : 0u);
    } else {
      uncheck_all(table);
      for (auto& r : table.find_all(L":root>:anchor")) r.set_state(0, STATE_ANCHOR);
      row.set_state(STATE_ANCHOR | STATE_CURRENT | STATE_CHECKED);
    }
  }
  // The engine scrolls in one step: keyboard moves are not animated.
  row.scroll_to_view();
  table.post_event(dbl_click ? TABLE_ROW_DBL_CLICK : TABLE_ROW_CLICK, static_cast<uintptr_t>(row.index()), row);
}

void grid::on_column_click(dom::element table, dom::element cell) {
  table.post_event(TABLE_HEADER_CLICK, cell.is_valid() ? static_cast<uintptr_t>(cell.index()) : 0,
                   cell.is_valid() ? HELEMENT(cell) : HELEMENT(table));
}

bool grid::handle_mouse(HELEMENT he, MOUSE_PARAMS& p) {
  bool dbl = p.cmd == MOUSE_DCLICK;
  if (p.cmd != (MOUSE_DOWN | SINKING) && !dbl) return false;
  dom::element table(he);
  dom::element row = child_of(table, p.target);
  if (!row.is_valid()) return false;
  if (row.index() < fixed_rows(table)) {
    // A press on a column's resize grip belongs to the engine's column resizer.
    if (!dbl && column_resize_grip(he, p.target, p.pos_document)) return false;
    on_column_click(table, child_of(row, p.target));
    return (p.button_state & MAIN_MOUSE_BUTTON) != 0;
  }
  move_current_row(table, row, p.alt_state, dbl);
  table.update();
  return false;
}

dom::element grid::page_down_row(dom::element table) {
  rect area = scroll_area(table);
  int limit = area.bottom + area.height();
  dom::element passed;
  int count = static_cast<int>(table.children_count());
  for (int i = fixed_rows(table); i < count; ++i) {
    dom::element row = table.child(static_cast<unsigned>(i));
    if (!displayed(row)) continue;
    if (row.get_location().bottom > limit) return passed.is_valid() ? passed : row;
    passed = row;
  }
  return passed;
}

dom::element grid::page_up_row(dom::element table) {
  rect area = scroll_area(table);
  int limit = area.top - area.height();
  dom::element passed;
  for (int i = static_cast<int>(table.children_count()) - 1; i >= fixed_rows(table); --i) {
    dom::element row = table.child(static_cast<unsigned>(i));
    if (!displayed(row)) continue;
    if (row.get_location().top < limit) return passed.is_valid() ? passed : row;
    passed = row;
  }
  return passed;
}

dom::element grid::target_row(dom::element table, unsigned key_code) {
  int fixed = fixed_rows(table);
  int count = static_cast<int>(table.children_count());
  dom::element current = current_row(table);
  auto first_displayed = [&](int from, int step) -> dom::element {
    for (int i = from; i >= fixed && i < count; i += step) {
      dom::element row = table.child(static_cast<unsigned>(i));
      if (displayed(row)) return row;
    }
    return {};
  };
  switch (key_code) {
    case KEYCODE_DOWN: return first_displayed(current.is_valid() ? current.index() + 1 : fixed, 1);
    case KEYCODE_UP: return first_displayed(current.is_valid() ? current.index() - 1 : count - 1, -1);
    case KEYCODE_HOME: return first_displayed(fixed, 1);
    case KEYCODE_END: return first_displayed(count - 1, -1);
    case KEYCODE_NEXT: return page_down_row(table);
    case KEYCODE_PRIOR: return page_up_row(table);
    default: return {};
  }
}

bool grid::handle_key(HELEMENT he, KEY_PARAMS& p) {
  if (p.cmd != KEY_DOWN) return false;
  dom::element table(he);
  if (p.key_code == kKeyA && (p.alt_state & CONTROL_KEY_PRESSED)) {
    if (!table.has_attribute("multiple")) return false;
    check_all(table);
    return true;
  }
  switch (p.key_code) {
    case KEYCODE_DOWN: case KEYCODE_UP: case KEYCODE_HOME: case KEYCODE_END: case KEYCODE_NEXT: case KEYCODE_PRIOR: {
      dom::element row = target_row(table, p.key_code);
      if (row.is_valid()) move_current_row(table, row, p.alt_state, false);
      return true;
    }
    default: return false;
  }
}

}  // namespace htmlayout
