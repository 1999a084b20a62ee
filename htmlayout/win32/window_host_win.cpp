#include "htmlayout/win32/window_host_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <map>
#include <memory>

#include "base/unique_gdi_win.h"
#include "htmlayout/win32/gdi_canvas_win.h"
#include "htmlayout/win32/native_edits_win.h"
#include "htmlayout/win32/window_dpi_win.h"

namespace htmlayout {

constexpr UINT_PTR kTimerId = 0x4854;
constexpr UINT_PTR kAnimationTimerId = 0x4855;
constexpr UINT kAnimationFrameMs = 50;

class window_host : public document_host {
 public:
  explicit window_host(HWND hwnd) : hwnd_(hwnd), doc_(gfx_, *this), edits_(hwnd, doc_, gfx_) {
    gfx_.set_scale(window_scale(hwnd));
    fit_view();
  }
  ~window_host() override {
    edits_.clear();
    if (tooltip_) DestroyWindow(tooltip_);
  }

  document& doc() { return doc_; }
  const display_scale& scale() const { return gfx_.scale(); }
  void set_callback(host_callback cb, void* param) { cb_ = cb; param_ = param; }
  bool data_ready(const wchar_t* uri, const uint8_t* data, size_t size, int density_dpi) {
    if (!uri || !data || size == 0 || density_dpi <= 0) return false;
    doc_.data_ready(uri, data, size, density_dpi);
    return true;
  }

  unsigned notify(notification& n) override {
    if (cb_) return cb_(&n, param_);
    if (n.code == HLN_ATTACH_BEHAVIOR) {
      auto& a = static_cast<NMHL_ATTACH_BEHAVIOR&>(n);
      if (event_handler* h = behavior::find(a.behaviorName, a.element)) {
        a.elementProc = h;
        a.elementEvents = h->subscription;
      }
    }
    return 0;
  }
  void invalidate() override { InvalidateRect(hwnd_, nullptr, FALSE); }
  void invalidate_area(const rect& area) override {
    // A device pixel more each side: drawing at fractional scales reaches it.
    const rect device = scale().to_device(area);
    const RECT pixels{device.left - 1, device.top - 1, device.right + 1, device.bottom + 1};
    InvalidateRect(hwnd_, &pixels, FALSE);
  }
  void posted() override {
    if (!post_pending_) post_pending_ = PostMessageW(hwnd_, posted_message(), 0, 0) != FALSE;
  }
  void timers_changed() override {
    int64_t due = doc_.next_timer_due();
    if (due < 0) { KillTimer(hwnd_, kTimerId); return; }
    int64_t wait = std::max<int64_t>(due - static_cast<int64_t>(GetTickCount64()), USER_TIMER_MINIMUM);
    SetTimer(hwnd_, kTimerId, static_cast<UINT>(std::min<int64_t>(wait, 0x7FFFFFFF)), nullptr);
  }
  void* window() override { return hwnd_; }
  int64_t now_ms() override { return static_cast<int64_t>(GetTickCount64()); }

  static UINT posted_message() {
    static const UINT msg = RegisterWindowMessageW(L"KestroPageEnginePostedEvents");
    return msg;
  }

  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp, BOOL* handled);

  // Calls of the window procedure under way. A page handler can run a nested
  // message loop (a message window) in which this window is destroyed: the
  // host then outlives the calls below it, touches no window state once
  // `destroyed`, and goes when the outermost call returns.
  int calls = 0;
  bool destroyed = false;

 private:
  // The page's view in CSS pixels: the client area at the window's scale.
  void fit_view() {
    RECT r{};
    GetClientRect(hwnd_, &r);
    doc_.set_view_size(scale().to_css(r.right), scale().to_css(r.bottom));
  }
  void rescale(int dpi);
  void paint();
  bool mouse(unsigned cmd, LPARAM lp, WPARAM wp, int wheel = 0);
  bool key(unsigned cmd, WPARAM wp, bool repeated);
  void update_tooltip();
  unsigned alt_state() const {
    return (GetKeyState(VK_CONTROL) < 0 ? CONTROL_KEY_PRESSED : 0) | (GetKeyState(VK_SHIFT) < 0 ? SHIFT_KEY_PRESSED : 0) |
           (GetKeyState(VK_MENU) < 0 ? ALT_KEY_PRESSED : 0);
  }

  HWND hwnd_;
  gdi_canvas gfx_;
  document doc_;
  native_edits edits_;
  host_callback cb_ = nullptr;
  void* param_ = nullptr;
  bool post_pending_ = false;
  bool tracking_leave_ = false;
  HWND tooltip_ = nullptr;
  std::wstring tip_text_;
};

namespace {

std::map<HWND, std::unique_ptr<window_host>>& hosts() {
  static std::map<HWND, std::unique_ptr<window_host>> all;
  return all;
}

window_host* host_of(HWND hwnd, bool create) {
  auto& all = hosts();
  auto it = all.find(hwnd);
  if (it != all.end()) return it->second.get();
  if (!create || !IsWindow(hwnd)) return nullptr;
  return all.emplace(hwnd, std::make_unique<window_host>(hwnd)).first->second.get();
}

HCURSOR cursor_for(cursor_t c) {
  switch (c) {
    case cursor_t::POINTER: return LoadCursorW(nullptr, IDC_HAND);
    case cursor_t::TEXT: return LoadCursorW(nullptr, IDC_IBEAM);
    case cursor_t::WAIT: return LoadCursorW(nullptr, IDC_WAIT);
    case cursor_t::MOVE: return LoadCursorW(nullptr, IDC_SIZEALL);
    default: return LoadCursorW(nullptr, IDC_ARROW);
  }
}

bool reacts_to_mouse(HELEMENT el) {
  for (; el; el = el->parent)
    for (const auto& h : el->handlers)
      if (h.subscription & HANDLE_MOUSE) return true;
  return false;
}

}  // namespace

void window_host::paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT client{};
  GetClientRect(hwnd_, &client);
  int w = std::max<LONG>(1, client.right), h = std::max<LONG>(1, client.bottom);
  // Drawn into a back buffer and copied in one go: no flicker.
  const kestro::UniqueMemoryDc memory(dc);
  const HDC back = memory.get();
  const kestro::UniqueGdiObject<HBITMAP> bmp(CreateCompatibleBitmap(dc, w, h));
  const kestro::ScopedSelection selected(back, bmp.get());
  RECT all{0, 0, w, h};
  FillRect(back, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  gfx_.set_target(back);
  doc_.paint(gfx_, scale().to_css_covering({ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom}));
  gfx_.set_target(nullptr);
  BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left, ps.rcPaint.bottom - ps.rcPaint.top, back,
         ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
  EndPaint(hwnd_, &ps);
  // Animated pictures on screen ask for the next paint.
  if (gfx_.take_animated()) SetTimer(hwnd_, kAnimationTimerId, kAnimationFrameMs, nullptr);
  else KillTimer(hwnd_, kAnimationTimerId);
  edits_.sync();
}

// The window moved to a display of another DPI (or the user changed it): the
// page is measured again at the new scale. The window's procedure then takes
// the size Windows suggests, which fits the view to it.
void window_host::rescale(int dpi) {
  if (dpi <= 0 || dpi == scale().dpi) return;
  gfx_.set_scale({dpi});
  tip_text_.clear();
  if (tooltip_) {
    DestroyWindow(tooltip_);  // made again with a font of the new size
    tooltip_ = nullptr;
  }
  doc_.invalidate_style();
  fit_view();
  edits_.sync();
}

bool window_host::key(unsigned cmd, WPARAM wp, bool repeated) {
  bool consumed = doc_.key(cmd, static_cast<unsigned>(wp), alt_state(), repeated);
  if (destroyed) return consumed;
  // Tab moved the page's focus: the keyboard follows at once, so that the
  // next key already reaches the box it moved to.
  if (cmd == KEY_DOWN && wp == VK_TAB) {
    doc_.update();
    edits_.sync();
  }
  return consumed;
}

bool window_host::mouse(unsigned cmd, LPARAM lp, WPARAM wp, int wheel) {
  const point p = scale().to_css(point{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
  unsigned buttons = (wp & MK_LBUTTON ? MAIN_MOUSE_BUTTON : 0) | (wp & MK_RBUTTON ? PROP_MOUSE_BUTTON : 0) |
                     (wp & MK_MBUTTON ? MIDDLE_MOUSE_BUTTON : 0);
  if (cmd == MOUSE_DOWN || cmd == MOUSE_DCLICK) {
    if (!buttons) buttons = MAIN_MOUSE_BUTTON;
    SetFocus(hwnd_);
    SetCapture(hwnd_);  // a held scroll bar thumb follows the mouse outside the window
  }
  if (cmd == MOUSE_UP) {
    if (!buttons) buttons = MAIN_MOUSE_BUTTON;
    if (GetCapture() == hwnd_) ReleaseCapture();
  }
  if (cmd == MOUSE_MOVE && !tracking_leave_) {
    TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd_, 0};
    tracking_leave_ = TrackMouseEvent(&t) != FALSE;
  }
  HELEMENT before = doc_.hover();
  bool consumed = doc_.mouse(cmd, p, buttons, alt_state(), wheel);
  if (destroyed) return consumed;
  if (doc_.hover() != before) update_tooltip();
  edits_.sync();
  return consumed;
}

void window_host::update_tooltip() {
  std::wstring text;
  for (HELEMENT e = doc_.hover(); e; e = e->parent)
    if (const std::wstring* t = e->attribute("title")) { text = *t; break; }
  if (text == tip_text_) return;
  tip_text_ = text;
  if (!tooltip_) {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tooltip_) return;
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    ti.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, scale().to_device(400));
    // The control's own font has no Chinese glyphs under Wine: use the page's fallback.
    const HFONT font = gfx_.device_font(font_spec{L"Microsoft YaHei", 12, 400, false}, L"提示");
    SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = hwnd_;
  ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
  ti.lpszText = const_cast<wchar_t*>(tip_text_.c_str());
  SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  SendMessageW(tooltip_, TTM_ACTIVATE, !tip_text_.empty(), 0);
}

LRESULT window_host::handle(UINT msg, WPARAM wp, LPARAM lp, BOOL* handled) {
  *handled = FALSE;
  if (msg == posted_message()) {
    post_pending_ = false;
    doc_.process_posted();
    *handled = TRUE;
    return 0;
  }
  switch (msg) {
    case WM_PAINT: paint(); *handled = TRUE; return 0;
    case WM_ERASEBKGND: *handled = TRUE; return 1;
    case WM_SIZE: doc_.set_view_size(scale().to_css(LOWORD(lp)), scale().to_css(HIWORD(lp))); return 0;
    case WM_DPICHANGED: rescale(LOWORD(wp)); return 0;
    case WM_MOUSEMOVE: *handled = mouse(MOUSE_MOVE, lp, wp); return 0;
    case WM_MOUSELEAVE:
      tracking_leave_ = false;
      doc_.mouse(MOUSE_MOVE, {-1, -1}, 0, 0);
      return 0;
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: *handled = mouse(MOUSE_DOWN, lp, wp); return 0;
    case WM_LBUTTONUP: case WM_RBUTTONUP: *handled = mouse(MOUSE_UP, lp, wp); return 0;
    case WM_LBUTTONDBLCLK: *handled = mouse(MOUSE_DCLICK, lp, wp); return 0;
    case WM_MOUSEWHEEL: {
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      ScreenToClient(hwnd_, &pt);
      *handled = mouse(MOUSE_WHEEL, MAKELPARAM(pt.x, pt.y), GET_KEYSTATE_WPARAM(wp), GET_WHEEL_DELTA_WPARAM(wp));
      return 0;
    }
    // Bit 30: the key was down before (a repeat of a held key).
    case WM_KEYDOWN: *handled = key(KEY_DOWN, wp, (lp & 0x40000000) != 0); return 0;
    case WM_KEYUP: *handled = doc_.key(KEY_UP, static_cast<unsigned>(wp), alt_state()); return 0;
    case WM_CHAR: *handled = doc_.key(KEY_CHAR, static_cast<unsigned>(wp), alt_state()); return 0;
    case WM_TIMER:
      if (wp == kAnimationTimerId) {
        InvalidateRect(hwnd_, nullptr, FALSE);
        *handled = TRUE;
        return 0;
      }
      if (wp != kTimerId) return 0;
      doc_.fire_timers(static_cast<int64_t>(GetTickCount64()));
      *handled = TRUE;
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lp) != HTCLIENT) return 0;
      SetCursor(cursor_for(doc_.hover() ? doc_.hover()->style.cursor : cursor_t::AUTO));
      *handled = TRUE;
      return TRUE;
    case WM_NCHITTEST: {
      // Elements that react to the mouse belong to the page, even in a
      // caption strip the window procedure drags by.
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      ScreenToClient(hwnd_, &pt);
      if (reacts_to_mouse(doc_.hit_test(scale().to_css(point{pt.x, pt.y})))) {
        *handled = TRUE;
        return HTCLIENT;
      }
      return 0;
    }
    case WM_COMMAND:
      if (edits_.command(wp, lp)) {
        *handled = TRUE;
        if (!destroyed) doc_.process_posted();
      }
      return 0;
    default: return 0;
  }
}

LRESULT HTMLayoutProcND(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, BOOL* handled) {
  BOOL ignored = FALSE;
  if (!handled) handled = &ignored;
  *handled = FALSE;
  if (msg == WM_NCDESTROY) {
    // Posted events and timers of the page die with the window.
    KillTimer(hwnd, kTimerId);
    KillTimer(hwnd, kAnimationTimerId);
    auto& all = hosts();
    auto it = all.find(hwnd);
    if (it != all.end()) {
      window_host* gone = it->second.release();
      all.erase(it);
      if (gone->calls > 0) gone->destroyed = true;
      else delete gone;
    }
    return 0;
  }
  if (msg == WM_NCCREATE || msg == WM_CREATE) {
    host_of(hwnd, true);
    return 0;
  }
  window_host* host = host_of(hwnd, false);
  if (!host) return 0;
  ++host->calls;
  const LRESULT result = host->handle(msg, wparam, lparam, handled);
  if (--host->calls == 0 && host->destroyed) delete host;
  return result;
}

void HTMLayoutSetCallback(HWND hwnd, host_callback cb, void* param) {
  if (window_host* h = host_of(hwnd, true)) h->set_callback(cb, param);
}

bool HTMLayoutLoadHtml(HWND hwnd, const uint8_t* html, size_t size) {
  window_host* h = host_of(hwnd, true);
  if (!h || !html || size == 0) return false;
  bool ok = h->doc().load_html(std::string_view(reinterpret_cast<const char*>(html), size));
  InvalidateRect(hwnd, nullptr, FALSE);
  return ok;
}

bool HTMLayoutDataReady(HWND hwnd, const wchar_t* uri, const uint8_t* data, size_t size) {
  window_host* h = host_of(hwnd, false);
  return h && h->data_ready(uri, data, size, kCssDpi);
}

HELEMENT HTMLayoutGetRootElement(HWND hwnd) {
  window_host* h = host_of(hwnd, false);
  return h ? h->doc().root() : nullptr;
}

bool HTMLayoutWindowAttachEventHandler(HWND hwnd, event_handler* handler, unsigned subscription) {
  window_host* h = host_of(hwnd, true);
  if (!h || !handler) return false;
  h->doc().attach_window_handler(handler, subscription);
  return true;
}

bool HTMLayoutWindowDetachEventHandler(HWND hwnd, event_handler* handler) {
  window_host* h = host_of(hwnd, false);
  if (!h) return false;
  h->doc().detach_window_handler(handler);
  return true;
}

int HTMLayoutWindowDpi(HWND hwnd) {
  window_host* h = host_of(hwnd, false);
  return h ? h->scale().dpi : kCssDpi;
}

bool HTMLayoutDataReadyAt(HWND hwnd, const wchar_t* uri, const uint8_t* data, size_t size, int density_dpi) {
  window_host* h = host_of(hwnd, false);
  return h && h->data_ready(uri, data, size, density_dpi);
}

document* HTMLayoutDocument(HWND hwnd) {
  window_host* h = host_of(hwnd, false);
  return h ? &h->doc() : nullptr;
}

}  // namespace htmlayout
