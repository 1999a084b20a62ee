// The engine's own behaviors: button, hyperlink, checkbox, edit, password,
// progress and column-resizer, and the control values they keep.
#pragma once

#include <string_view>

#include "htmlayout/event_handler.h"

namespace htmlayout {

// The stock behavior of that name, or null.
event_handler* stock_behavior(std::string_view name);

// Whether a press at `pos` (view coordinates) on `target` inside `table` lands
// on a column's resize grip: `table` has the column-resizer behavior and the
// pointer is on the right edge of a cell of its first row. Table behaviors
// that act on header presses leave these to the resizer.
bool column_resize_grip(HELEMENT table, HELEMENT target, point pos);

// Control values: a check box is T_BOOL (true when ticked); a progress bar is
// its "value" attribute as T_INT; an edit box is its text as T_STRING.
value control_value(HELEMENT el);
bool set_control_value(HELEMENT el, const value& v);
// The text an edit box shows (dots for a password box).
std::wstring edit_display_text(HELEMENT el);

}  // namespace htmlayout
