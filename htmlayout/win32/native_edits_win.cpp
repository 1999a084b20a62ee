#include "htmlayout/win32/native_edits_win.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "htmlayout/layout.h"

namespace htmlayout {
namespace {

constexpr UINT_PTR kFirstEditId = 0x4800;

std::wstring window_text(HWND h) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
  return text;
}

void collect(HELEMENT el, std::vector<HELEMENT>& out) {
  if (el->is_text || !(el->state & STATE_VISIBLE)) return;
  if (el->has_handler("edit") || el->has_handler("password")) out.push_back(el);
  for (HELEMENT c : el->children) collect(c, out);
}

// Tab, Shift+Tab, Enter and Esc reach the page as key events of the box's
// element, so that the page moves its focus and a window can act on them (a
// single-line EDIT control would only beep).
LRESULT CALLBACK edit_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == WM_KEYDOWN && (wp == VK_RETURN || wp == VK_ESCAPE || wp == VK_TAB)) {
    // Through the page's window, whose procedure guards the page while the
    // handler runs (it may open a message and the window may close meanwhile);
    // Tab moves the page's focus through its boxes and buttons.
    SendMessageW(GetParent(hwnd), WM_KEYDOWN, wp, lp);
    return 0;
  }
  if (msg == WM_CHAR && (wp == L'\r' || wp == 0x1B)) return 0;
  if (msg == WM_CHAR && wp == L'\t') return 0;  // no beep
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

native_edits::~native_edits() { clear(); }

void native_edits::clear() {
  for (auto& [el, c] : controls_) {
    DestroyWindow(c.hwnd);
    release(el);
  }
  controls_.clear();
  focused_ = nullptr;
}

void native_edits::sync() {
  std::vector<HELEMENT> wanted;
  if (doc_.root()) collect(doc_.root(), wanted);
  for (auto it = controls_.begin(); it != controls_.end();) {
    if (std::find(wanted.begin(), wanted.end(), it->first) == wanted.end()) {
      DestroyWindow(it->second.hwnd);
      release(it->first);
      it = controls_.erase(it);
    } else {
      ++it;
    }
  }
  for (HELEMENT el : wanted) {
    auto it = controls_.find(el);
    if (it == controls_.end()) {
      DWORD style = WS_CHILD | ES_AUTOHSCROLL | (el->has_handler("password") ? ES_PASSWORD : 0);
      HWND h = CreateWindowExW(0, L"EDIT", L"", style, 0, 0, 0, 0, parent_,
                               reinterpret_cast<HMENU>(kFirstEditId + controls_.size()), GetModuleHandleW(nullptr), nullptr);
      if (!h) continue;
      SetWindowSubclass(h, edit_proc, 1, 0);
      retain(el);
      it = controls_.emplace(el, control{h, el->value_revision - 1}).first;
    }
    control& c = it->second;
    if (c.revision != el->value_revision) {
      const std::wstring* v = el->attribute("value");
      std::wstring text = v ? *v : std::wstring();
      if (window_text(c.hwnd) != text) SetWindowTextW(c.hwnd, text.c_str());
      c.revision = el->value_revision;
    }
    // Touched only when something changed: every paint comes through here.
    HFONT font = gfx_.device_font(font_of(el->style), L"\x4E2D");  // a face with CJK glyphs: the user may type Chinese
    if (font != c.font) {
      SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
      c.font = font;
    }
    rect r = gfx_.scale().to_device(doc_.content_box_of(el));
    if (!(r == c.placed)) {
      SetWindowPos(c.hwnd, HWND_TOP, r.left, r.top, std::max(0, r.width()), std::max(0, r.height()), SWP_NOACTIVATE | SWP_SHOWWINDOW);
      c.placed = r;
    }
    bool enabled = !(el->state & STATE_DISABLED);
    if (bool(IsWindowEnabled(c.hwnd)) != enabled) EnableWindow(c.hwnd, enabled);
  }
  // Focus given to an edit element by the program moves into its control.
  // Focus given to another element (a button by Tab) takes the keyboard back
  // to the page's window, which hands its keys to the page.
  HELEMENT f = doc_.focus();
  if (f != focused_) {
    focused_ = f;
    auto it = controls_.find(f);
    if (it != controls_.end()) {
      if (GetFocus() != it->second.hwnd) {
        SetFocus(it->second.hwnd);
        if (doc_.focus_from_keyboard()) SendMessageW(it->second.hwnd, EM_SETSEL, 0, -1);
      }
    } else if (f != nullptr && GetParent(GetFocus()) == parent_) {
      SetFocus(parent_);
    }
  }
}

bool native_edits::command(WPARAM wparam, LPARAM lparam) {
  HWND from = reinterpret_cast<HWND>(lparam);
  for (auto& [el, c] : controls_) {
    if (c.hwnd != from) continue;
    if (HIWORD(wparam) == EN_CHANGE) {
      std::wstring text = window_text(from);
      const std::wstring* v = el->attribute("value");
      if (!v || *v != text) {
        el->set_attribute("value", text);
        c.revision = ++el->value_revision;
        doc_.post_behavior_event(el, EDIT_VALUE_CHANGED, el, 0);
      }
    } else if (HIWORD(wparam) == EN_SETFOCUS && doc_.focus() != el) {
      focused_ = el;
      doc_.set_focus(el, true);
    }
    return true;
  }
  return false;
}

}  // namespace htmlayout
