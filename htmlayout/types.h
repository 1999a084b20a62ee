// Engine-wide types: element handles, element states, event groups and codes,
// and the parameter records that travel with each event group.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace htmlayout {

struct element_node;
using HELEMENT = element_node*;

// A map keyed by text that is looked up by a view, without a copy of the key.
struct text_hash {
  using is_transparent = void;
  size_t operator()(std::wstring_view s) const noexcept { return std::hash<std::wstring_view>{}(s); }
};
template <typename T>
using text_map = std::unordered_map<std::wstring, T, text_hash, std::equal_to<>>;

struct point { int x = 0, y = 0; };
struct rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool contains(point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool operator==(const rect&) const = default;
};

// Element states; several may be set at once.
enum ELEMENT_STATE_BITS : unsigned {
  STATE_LINK = 0x1,
  STATE_HOVER = 0x2,
  STATE_ACTIVE = 0x4,
  STATE_FOCUS = 0x8,
  STATE_VISITED = 0x10,
  STATE_CURRENT = 0x20,
  STATE_CHECKED = 0x40,
  STATE_DISABLED = 0x80,
  STATE_READONLY = 0x100,
  STATE_EXPANDED = 0x200,
  STATE_COLLAPSED = 0x400,
  STATE_ANCHOR = 0x4000,
  STATE_VISIBLE = 0x10000,  // the element and all its ancestors are displayed
};

// Event groups: a handler's subscription word is an OR of these.
enum EVENT_GROUPS : unsigned {
  HANDLE_INITIALIZATION = 0x0,
  HANDLE_MOUSE = 0x1,
  HANDLE_KEY = 0x2,
  HANDLE_FOCUS = 0x4,
  HANDLE_SCROLL = 0x8,
  HANDLE_TIMER = 0x10,
  HANDLE_SIZE = 0x20,
  HANDLE_DRAW = 0x40,
  HANDLE_DATA_ARRIVED = 0x80,
  HANDLE_BEHAVIOR_EVENT = 0x100,
  HANDLE_METHOD_CALL = 0x200,
  HANDLE_EXCHANGE = 0x1000,
  HANDLE_GESTURE = 0x2000,
  HANDLE_ALL = 0xFFFF,
};

// Phase flags OR-ed into an event's command.
constexpr unsigned SINKING = 0x8000;  // travelling from the root down to the target
constexpr unsigned HANDLED = 0x10000; // an earlier handler consumed it

enum MOUSE_EVENTS : unsigned {
  MOUSE_ENTER = 0, MOUSE_LEAVE = 1, MOUSE_MOVE = 2, MOUSE_UP = 3, MOUSE_DOWN = 4,
  MOUSE_DCLICK = 5, MOUSE_WHEEL = 6, MOUSE_TICK = 7, MOUSE_IDLE = 8,
};
// Mouse buttons and keyboard states, OR-ed together in event parameters.
constexpr unsigned MAIN_MOUSE_BUTTON = 1, PROP_MOUSE_BUTTON = 2, MIDDLE_MOUSE_BUTTON = 4;
constexpr unsigned CONTROL_KEY_PRESSED = 1, SHIFT_KEY_PRESSED = 2, ALT_KEY_PRESSED = 4;
enum KEY_EVENTS : unsigned { KEY_DOWN = 0, KEY_UP = 1, KEY_CHAR = 2 };
enum FOCUS_EVENTS : unsigned { FOCUS_LOST = 0, FOCUS_GOT = 1 };
enum SCROLL_EVENTS : unsigned { SCROLL_POS = 0, SCROLL_STEP_PLUS = 1, SCROLL_STEP_MINUS = 2 };
enum DRAW_EVENTS : unsigned { DRAW_BACKGROUND = 0, DRAW_CONTENT = 1, DRAW_FOREGROUND = 2 };
enum INITIALIZATION_EVENTS : unsigned { BEHAVIOR_DETACH = 0, BEHAVIOR_ATTACH = 1 };

enum BEHAVIOR_EVENTS : unsigned {
  BUTTON_CLICK = 0,
  BUTTON_PRESS = 1,
  BUTTON_STATE_CHANGED = 2,
  EDIT_VALUE_CHANGING = 3,
  EDIT_VALUE_CHANGED = 4,
  VISIBILITY_CHANGED = 0x11,  // reason: 1 became visible, 0 became hidden
  HYPERLINK_CLICK = 0x80,
  TABLE_HEADER_CLICK = 0x81,
  TABLE_ROW_CLICK = 0x82,
  TABLE_ROW_DBL_CLICK = 0x83,
  ELEMENT_COLLAPSED = 0x90,
  ELEMENT_EXPANDED = 0x91,
  ACTIVATE_CHILD = 0x92,
};

// Virtual key codes the engine itself acts on (same numbers as Windows).
enum KEY_CODES : unsigned {
  KEYCODE_BACK = 0x08, KEYCODE_TAB = 0x09, KEYCODE_RETURN = 0x0D, KEYCODE_SPACE = 0x20, KEYCODE_PRIOR = 0x21,
  KEYCODE_NEXT = 0x22, KEYCODE_END = 0x23, KEYCODE_HOME = 0x24, KEYCODE_LEFT = 0x25, KEYCODE_UP = 0x26,
  KEYCODE_RIGHT = 0x27, KEYCODE_DOWN = 0x28,
};

class canvas;

struct MOUSE_PARAMS {
  unsigned cmd = 0;          // MOUSE_EVENTS, maybe | SINKING | HANDLED
  HELEMENT target = nullptr; // the element under the pointer
  point pos;                 // relative to the target's border box
  point pos_document;        // relative to the document's origin
  unsigned button_state = 0; // MOUSE_BUTTONS
  unsigned alt_state = 0;    // KEYBOARD_STATES
  int wheel_delta = 0;       // MOUSE_WHEEL: positive away from the user
};

struct KEY_PARAMS {
  unsigned cmd = 0;  // KEY_EVENTS, maybe | SINKING
  HELEMENT target = nullptr;
  unsigned key_code = 0;  // virtual key, or the character for KEY_CHAR
  unsigned alt_state = 0;
  bool repeated = false;  // KEY_DOWN of a key that was already down (held)
};

struct FOCUS_PARAMS {
  unsigned cmd = 0;  // FOCUS_EVENTS, maybe | SINKING
  HELEMENT target = nullptr;
  bool by_mouse_click = false;
  bool cancel = false;
};

struct SCROLL_PARAMS {
  unsigned cmd = 0;
  HELEMENT target = nullptr;
  int pos = 0;
};

struct TIMER_PARAMS { uintptr_t timer_id = 0; };

struct DRAW_PARAMS {
  unsigned cmd = DRAW_CONTENT;  // the layer
  void* hdc = nullptr;          // the native device context of the host, when it has one
  canvas* gfx = nullptr;        // the engine's drawing interface
  rect area;                    // the element's box for that layer, in surface coordinates
};

enum VALUE_TYPE : unsigned {
  T_UNDEFINED = 0, T_NULL = 1, T_BOOL = 2, T_INT = 3, T_FLOAT = 4, T_STRING = 5,
  T_INT64 = 7,  // signed 64-bit integer
};

// A typed value passed to and from behaviors and controls.
struct value {
  VALUE_TYPE type = T_UNDEFINED;
  int64_t i = 0;
  double f = 0;
  std::wstring s;

  static value make_bool(bool b) { value v; v.type = T_BOOL; v.i = b ? 1 : 0; return v; }
  static value make_int(int n) { value v; v.type = T_INT; v.i = n; return v; }
  static value make_int64(int64_t n) { value v; v.type = T_INT64; v.i = n; return v; }
  static value make_string(std::wstring t) { value v; v.type = T_STRING; v.s = std::move(t); return v; }
  bool operator==(const value&) const = default;
};

struct BEHAVIOR_EVENT_PARAMS {
  unsigned cmd = 0;             // BEHAVIOR_EVENTS, maybe | SINKING | HANDLED
  HELEMENT heTarget = nullptr;  // the element the event is about
  HELEMENT he = nullptr;        // the element the event is passing now
  uintptr_t reason = 0;
  value data;
};

constexpr unsigned XCALL = 255;  // method id of a call by name

struct METHOD_PARAMS { unsigned methodID = 0; };
struct XCALL_PARAMS : METHOD_PARAMS {
  std::string method_name;
  std::vector<value> argv;
  value retval;
  XCALL_PARAMS() { methodID = XCALL; }
};

struct INITIALIZATION_PARAMS { unsigned cmd = BEHAVIOR_ATTACH; };

}  // namespace htmlayout
