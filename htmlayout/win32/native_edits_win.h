// Native EDIT controls placed over the text and password boxes of a page:
// they bring the caret, selection, IME and clipboard. The element's "value"
// and the control's text are kept equal in both directions.
#pragma once

#include <windows.h>

#include <map>

#include "htmlayout/document.h"
#include "htmlayout/win32/gdi_canvas_win.h"

namespace htmlayout {

class native_edits {
 public:
  // The controls take their fonts and places at `gfx`'s scale.
  native_edits(HWND parent, document& doc, gdi_canvas& gfx) : parent_(parent), doc_(doc), gfx_(gfx) {}
  ~native_edits();
  native_edits(const native_edits&) = delete;
  native_edits& operator=(const native_edits&) = delete;

  // Creates, moves, shows, hides and destroys controls to match the page.
  void sync();
  // WM_COMMAND from a control; true when it was one of ours.
  bool command(WPARAM wparam, LPARAM lparam);
  void clear();

 private:
  struct control {
    HWND hwnd = nullptr;
    unsigned revision = 0;
    rect placed{-1, -1, -1, -1};
    HFONT font = nullptr;
  };
  HWND parent_;
  document& doc_;
  gdi_canvas& gfx_;
  std::map<HELEMENT, control> controls_;  // each key holds one reference
  HELEMENT focused_ = nullptr;
};

}  // namespace htmlayout
