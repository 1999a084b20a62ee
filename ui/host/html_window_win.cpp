#include "ui/host/html_window_win.h"

#include <windowsx.h>

#include "htmlayout/display_scale.h"
#include "htmlayout/win32/window_host_win.h"
#include "ui/host/message_window_win.h"
#include "ui/host/page_query_win.h"
#include "ui/host/resource_lookup_win.h"
#include "ui/host/resource_names.h"

namespace kestro {

namespace {

void centreOnPrimaryScreen(HWND window) {
  RECT area{};
  GetWindowRect(window, &area);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

htmlayout::display_scale scaleOf(HWND window) { return {htmlayout::HTMLayoutWindowDpi(window)}; }

LRESULT hitTest(HWND window, LPARAM lParam) {
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ScreenToClient(window, &point);
  return point.y < scaleOf(window).to_device(kDragStripHeight) ? HTCAPTION : HTCLIENT;
}

struct EditSearch {
  RECT box;
  HWND found;
};

BOOL CALLBACK findEditAt(HWND child, LPARAM lParam) {
  auto* search = reinterpret_cast<EditSearch*>(lParam);
  wchar_t className[16] = {};
  GetClassNameW(child, className, 16);
  if (_wcsicmp(className, L"EDIT") != 0 || !IsWindowVisible(child)) return TRUE;
  RECT box{};
  GetWindowRect(child, &box);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&box), 2);
  if (box.left != search->box.left || box.top != search->box.top) return TRUE;
  search->found = child;
  return FALSE;
}

}  // namespace

HtmlWindow::HtmlWindow(const WindowSpec& spec, unsigned subscription)
    : htmlayout::event_handler(subscription), spec_(spec), className_(spec.className) {}

HtmlWindow::~HtmlWindow() {
  leaveWindow();
  elements_.clear();
}

// From here on the page and the window no longer reach this object.
void HtmlWindow::leaveWindow() {
  if (window_ == nullptr) return;
  htmlayout::HTMLayoutWindowDetachEventHandler(window_, this);
  htmlayout::HTMLayoutSetCallback(window_, nullptr, nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  window_ = nullptr;
}

// Once per class: the first window of a class registers it, and the windows
// after it find it registered. The small icon is the system's shared copy,
// which nobody frees and which no registration can leak.
bool HtmlWindow::registerClass(HINSTANCE instance) const {
  WNDCLASSEXW registered = {};
  registered.cbSize = sizeof(registered);
  if (GetClassInfoExW(instance, className_.c_str(), &registered)) return true;
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = spec_.classStyle;
  windowClass.lpfnWndProc = &HtmlWindow::procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(128));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(128), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                      LR_SHARED));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = className_.c_str();
  return RegisterClassExW(&windowClass) != 0;
}

bool HtmlWindow::create(HINSTANCE instance) {
  registerClass(instance);
  window_ = CreateWindowExW(spec_.extendedStyle, className_.c_str(), L"", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                            spec_.width, spec_.height, nullptr, nullptr, instance, nullptr);
  if (window_ == nullptr) return false;
  // The window record's sizes are CSS pixels: the window takes them at its display's scale.
  const htmlayout::display_scale scale = scaleOf(window_);
  SetWindowPos(window_, nullptr, 0, 0, scale.to_device(spec_.width), scale.to_device(spec_.height),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  shapeToScale();
  centreOnPrimaryScreen(window_);
  created();
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  htmlayout::HTMLayoutSetCallback(window_, &notification_handler<HtmlWindow>::callback, static_cast<HtmlWindow*>(this));
  loadPage();
  SetWindowTextW(window_, spec_.title);
  ShowWindow(window_, spec_.showCommand);
  UpdateWindow(window_);
  return true;
}

void HtmlWindow::loadPage() {
  const auto page = findProgramResource(spec_.page);
  if (page) htmlayout::HTMLayoutLoadHtml(window_, page->data(), page->size());
  // A missing page leaves the window empty but working: every id keeps a null
  // element, on which every operation does nothing.
  const htmlayout::dom::element root(page ? htmlayout::HTMLayoutGetRootElement(window_) : nullptr);
  elements_.bind(root, elementIds());
  htmlayout::HTMLayoutWindowAttachEventHandler(window_, this, htmlayout::HANDLE_ALL);
  initialise();
}

// The rounded corners of the window at its current size and scale; the
// region belongs to the window once set.
void HtmlWindow::shapeToScale() {
  RECT area{};
  GetWindowRect(window_, &area);
  const int radius = scaleOf(window_).to_device(4);
  SetWindowRgn(window_, CreateRoundRectRgn(0, 0, area.right - area.left + 1, area.bottom - area.top + 1, radius, radius), TRUE);
}

unsigned HtmlWindow::on_load_data(htmlayout::NMHL_LOAD_DATA* request) {
  if (deliverPicture(request->uri)) {
    pictures_.push_back(request->uri);
    return 0;
  }
  // Names that are not resources (engine stock pictures) stay with the engine.
  if (const auto bytes = findProgramResource(request->uri))
    htmlayout::HTMLayoutDataReady(window_, request->uri.c_str(), bytes->data(), bytes->size());
  return 0;
}

// A picture drawn for the window's display scale, when the program has one.
bool HtmlWindow::deliverPicture(const std::wstring& uri) {
  const int variantDpi = closestPictureDpi(htmlayout::HTMLayoutWindowDpi(window_));
  const std::optional<std::wstring> variant = pictureVariantFile(uri, variantDpi);
  const auto bytes = findProgramResource(variant ? std::wstring_view(*variant) : std::wstring_view(uri));
  if (!bytes) return false;
  htmlayout::HTMLayoutDataReadyAt(window_, uri.c_str(), bytes->data(), bytes->size(), variant ? variantDpi : htmlayout::kCssDpi);
  return true;
}

// After WM_DPICHANGED: the size Windows suggests for the new scale, and the
// pictures drawn for it.
void HtmlWindow::followDpiChange(const RECT& suggested) {
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  shapeToScale();
  for (const std::wstring& uri : pictures_) deliverPicture(uri);
  InvalidateRect(window_, nullptr, FALSE);
}

void HtmlWindow::setDisplay(size_t index, const wchar_t* display) {
  htmlayout::dom::element target = element(index);
  target.set_style_attribute("display", display);
}

void HtmlWindow::focusElement(size_t index) {
  htmlayout::dom::element target = element(index);
  if (!target.is_valid()) return;
  target.set_state(htmlayout::STATE_FOCUS);
  // The engine moves keyboard focus into an edit box's control only when the
  // page focus changes; when it already was there (the message window took the
  // keyboard meanwhile) the control is found by its place and focused here.
  const htmlayout::rect content = scaleOf(window_).to_device(target.get_content_location());
  EditSearch search{{content.left, content.top, content.right, content.bottom}, nullptr};
  EnumChildWindows(window_, &findEditAt, reinterpret_cast<LPARAM>(&search));
  if (search.found != nullptr) SetFocus(search.found);
  InvalidateRect(window_, nullptr, FALSE);
}

bool HtmlWindow::showOwnedMessage(const std::wstring& text) {
  ++openMessages_;
  showMessage(window_, text);
  return leaveOwnedMessage();
}

bool HtmlWindow::showOwnedMessage(const std::wstring& text, MessageIcon icon) {
  ++openMessages_;
  CMessageWindow message(text, icon, MessageButtons::Ok);
  message.run(window_);
  return leaveOwnedMessage();
}

std::optional<int32_t> HtmlWindow::askOwnedQuestion(const std::wstring& text, QuestionWeight weight) {
  ++openMessages_;
  CMessageWindow question(text, MessageIcon::Question, MessageButtons::YesNo, weight);
  const int32_t answer = question.run(window_);
  if (!leaveOwnedMessage()) return std::nullopt;
  return answer;
}

bool HtmlWindow::leaveOwnedMessage() {
  --openMessages_;
  if (window_ != nullptr) return true;
  if (freedWithWindow() && openMessages_ == 0) delete this;
  return false;
}

LRESULT CALLBACK HtmlWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  BOOL handled = FALSE;
  const LRESULT engineResult = htmlayout::HTMLayoutProcND(window, message, wParam, lParam, &handled);
  if (handled) return engineResult;

  auto* self = reinterpret_cast<HtmlWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_DPICHANGED:
      if (self != nullptr) self->followDpiChange(*reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_NCHITTEST:
      return hitTest(window, lParam);
    case WM_ERASEBKGND:
      return 1;
    case WM_COPYDATA:
      if (answerPageQuery(window, reinterpret_cast<HWND>(wParam), reinterpret_cast<const COPYDATASTRUCT*>(lParam))) {
        return TRUE;
      }
      break;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (self != nullptr) {
        self->destroying();
        self->leaveWindow();
        // Still inside one of its own messages: freed when that returns.
        const bool endsLoop = self->endsMessageLoop();
        if (self->freedWithWindow() && self->openMessages_ == 0) delete self;
        if (endsLoop) PostQuitMessage(0);
      }
      return 0;
    default:
      break;
  }
  // Worker reports: also answered when they arrive before the object is
  // stored or after it was freed.
  if (message >= WM_USER && message < WM_APP) {
    if (self != nullptr) self->onWindowMessage(message, wParam, lParam);
    return 1;
  }
  if (self != nullptr && self->onSystemMessage(message, wParam, lParam)) return 0;
  return DefWindowProcW(window, message, wParam, lParam);
}

void runMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void runMessageLoop(HWND window) {
  MSG message;
  while (IsWindow(window)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
    if (got <= 0) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace kestro
