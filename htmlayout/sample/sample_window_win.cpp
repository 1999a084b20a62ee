#include "htmlayout/sample/sample_window_win.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "htmlayout/win32/window_host_win.h"

namespace htmlayout::sample {
namespace {

const wchar_t kClassName[] = L"KestroPageEngineSample";

std::vector<uint8_t> read_file(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class sample_window : public event_handler, public notification_handler<sample_window> {
 public:
  sample_window(std::wstring folder, bool quit) : event_handler(HANDLE_BEHAVIOR_EVENT), folder_(std::move(folder)), quit_(quit) {}

  unsigned on_load_data(NMHL_LOAD_DATA* n) {
    std::vector<uint8_t> bytes = read_file(folder_ + L"\\" + n->uri);
    if (!bytes.empty()) HTMLayoutDataReady(static_cast<HWND>(n->window), n->uri.c_str(), bytes.data(), bytes.size());
    return 0;
  }

  bool on_event(HELEMENT, HELEMENT target, BEHAVIOR_EVENTS type, uintptr_t) override {
    if (type != BUTTON_CLICK || dom::element(target).get_attribute("id") != L"btnmore") return false;
    dom::element bar = dom::element(HTMLayoutGetRootElement(hwnd)).find_by_id(L"pgsload");
    int v = static_cast<int>(bar.get_value().i);
    bar.set_value(value::make_int(v >= 100 ? 0 : v + 10));
    return true;
  }

  HWND hwnd = nullptr;
  std::wstring folder_;
  bool quit_;
};

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  BOOL handled = FALSE;
  LRESULT r = HTMLayoutProcND(hwnd, msg, wp, lp, &handled);
  if (handled) return r;
  auto* self = reinterpret_cast<sample_window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_DESTROY && self) {
    HTMLayoutWindowDetachEventHandler(hwnd, self);
    bool quit = self->quit_;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    delete self;
    if (quit) PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

HWND open_sample_window(const std::wstring& folder, bool quit_on_close) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = window_proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);  // a second registration fails harmlessly
  RECT r{0, 0, 560, 420};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND hwnd = CreateWindowExW(0, kClassName, L"Page engine sample", WS_OVERLAPPEDWINDOW, 0, 0, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
  if (!hwnd) return nullptr;
  auto* self = new sample_window(folder, quit_on_close);
  self->hwnd = hwnd;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  HTMLayoutSetCallback(hwnd, &sample_window::callback, self);
  std::vector<uint8_t> page = read_file(folder + L"\\sample_page.html");
  if (!page.empty()) HTMLayoutLoadHtml(hwnd, page.data(), page.size());
  HTMLayoutWindowAttachEventHandler(hwnd, self, HANDLE_ALL);
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  return hwnd;
}

}  // namespace htmlayout::sample
