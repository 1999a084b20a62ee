// Tables whose rows are chosen with the mouse and the keyboard. The rows
// above "fixedrows" are the header: a press there is a column click. The
// chosen row has the current state (and checked); a table with "multiple"
// keeps several checked rows, with the anchor state on the row a Shift range
// starts from. The window hears of choices through TABLE_ROW_CLICK,
// TABLE_ROW_DBL_CLICK and TABLE_HEADER_CLICK posted on the table.
#pragma once

#include "htmlayout/behavior.h"
#include "htmlayout/dom.h"

namespace htmlayout {

class grid : public behavior {
 public:
  grid() : grid("grid") {}

  bool handle_mouse(HELEMENT he, MOUSE_PARAMS& p) override;
  bool handle_key(HELEMENT he, KEY_PARAMS& p) override;

  // A press on header cell `cell` of `table`: posts TABLE_HEADER_CLICK.
  virtual void on_column_click(dom::element table, dom::element cell);

  // Makes `row` current as the keyboard state `alt_state` asks, scrolls it
  // into view and posts TABLE_ROW_CLICK (or TABLE_ROW_DBL_CLICK).
  static void move_current_row(dom::element table, dom::element row, unsigned alt_state,
                               bool dbl_click);
  // Checks every row of `table`; `uncheck_all` clears them.
  static void check_all(dom::element table);
  static void uncheck_all(dom::element table);

  // The "fixedrows" count of `table` (absent or not a number: 0).
  static int fixed_rows(dom::element table);
  // The current row: the last child of `table` in the current state.
  static dom::element current_row(dom::element table);

 protected:
  explicit grid(const char* name) : behavior(HANDLE_MOUSE | HANDLE_KEY | HANDLE_FOCUS, name) {}

 private:
  // The row a key leads to, or an invalid element when none qualifies.
  static dom::element target_row(dom::element table, unsigned key_code);
  static dom::element page_down_row(dom::element table);
  static dom::element page_up_row(dom::element table);
};

}  // namespace htmlayout
