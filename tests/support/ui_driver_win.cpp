#include "tests/support/ui_driver_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "base/text_convert.h"
#include "htmlayout/display_scale.h"
#include "htmlayout/dom.h"
#include "htmlayout/win32/window_host_win.h"
#include "ui/host/message_window_win.h"
#include "ui/login/login_window_win.h"
#include "ui/main/main_window_win.h"

namespace kestro::test {

namespace {

// Closes whatever of the program's windows is left on the UI thread.
void closeLeftoverWindows() {
  for (const wchar_t* className : {kMessageWindowClass, kLoginWindowClass, kMainWindowClass, kMessageWindowClass}) {
    if (HWND window = FindWindowW(className, nullptr)) {
      PostMessageW(window, WM_CLOSE, 0, 0);
      waitUntil([&] { return !IsWindow(window); }, 5000);
    }
  }
}

constexpr wchar_t kCallClass[] = L"KestroUiTestCall";
constexpr UINT kRunCall = WM_APP + 1;

LRESULT CALLBACK callProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunCall) {
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

htmlayout::dom::element pageElement(HWND window, const wchar_t* id) {
  const htmlayout::dom::element root(htmlayout::HTMLayoutGetRootElement(window));
  return root.find_by_id(id);
}

// Keys go to the X window with the input focus, and without a window manager
// nothing moves it: the driver gives it to the window's own X window. (The
// window under the pointer is no choice: a tooltip shown there would take
// the keys.) Wine keeps that window's id in a property of the top-level window.
std::string focusCommand(HWND window) {
  const auto x11Window = reinterpret_cast<ULONG_PTR>(GetPropW(GetAncestor(window, GA_ROOT), L"__wine_x11_whole_window"));
  return "xdotool windowfocus " + std::to_string(x11Window) + " && sleep 0.2 && ";
}

}  // namespace

bool focusIsAt(HWND window, int x, int y) {
  const HWND child = ChildWindowFromPointEx(window, POINT{x, y}, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
  GUITHREADINFO thread{};
  thread.cbSize = sizeof(thread);
  return child != nullptr && child != window &&
         GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread) && thread.hwndFocus == child;
}

bool clickAt(HWND window, int x, int y) {
  // First over a bare part of the window, so that the tooltip of the element
  // pointed at before is gone and cannot take the click.
  POINT bare{4, 100};
  ClientToScreen(window, &bare);
  POINT point{x, y};
  ClientToScreen(window, &point);
  return runOnLinux("xdotool mousemove " + std::to_string(bare.x) + " " + std::to_string(bare.y) + " sleep 0.2 mousemove " +
                    std::to_string(point.x) + " " + std::to_string(point.y) + " sleep 0.2 click 1 sleep 0.3") == 0;
}

bool clickUntil(HWND window, int x, int y, const std::function<bool()>& done) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!clickAt(window, x, y)) return false;
    if (waitUntil(done, 3000)) return true;
  }
  return false;
}

bool typeInto(const UiThreadCall& ui, HWND window, int x, int y, const wchar_t* id, const std::string& text) {
  const std::wstring wanted(text.begin(), text.end());
  std::string remaining = text;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!clickAt(window, x, y)) return false;
    // A lost click would send the keys to the box focused before.
    if (!waitUntil([&] { return focusIsAt(window, x, y); }, 2000)) continue;
    if (!typeText(window, remaining)) return false;
    if (waitUntil([&] { return elementText(ui, window, id) == wanted; }, 5000)) return true;
    const std::wstring typed = elementText(ui, window, id);
    if (wanted.starts_with(typed)) {
      // Keys lost on the way: type the rest.
      remaining = text.substr(typed.size());
      continue;
    }
    // Something else arrived: the box starts again empty, its control too.
    ui.run([&] {
      pageElement(window, id).set_text(L"");
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    });
    remaining = text;
  }
  return false;
}

bool typeText(HWND window, const std::string& text) {
  return runOnLinux(focusCommand(window) + "xdotool type --delay 60 -- " + shellQuoted(text) +
                    " && sleep 0.3") == 0;
}

bool pressKey(HWND window, const std::string& keys) {
  return runOnLinux(focusCommand(window) + "xdotool key " + keys + " && sleep 0.3") == 0;
}

bool pressKeyUntil(HWND window, const std::string& keys, const std::function<bool()>& done) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!pressKey(window, keys)) return false;
    if (waitUntil(done, 3000)) return true;
  }
  return false;
}

std::string artifactsFolder() {
  if (const char* folder = std::getenv("KESTRO_ARTIFACTS"); folder != nullptr && *folder != '\0') return folder;
  return KESTRO_BINARY_DIR "/ui-artifacts";
}

bool saveScreenshot(const std::string& name) {
  return runOnLinux(shellQuoted(KESTRO_SOURCE_DIR "/scripts/screenshot") + " " +
                    shellQuoted(artifactsFolder() + "/" + name + ".png")) == 0;
}

bool saveWindowPicture(const WindowPixels& pixels, const std::string& name) {
  // Written as a PPM, made a PNG on the Linux side.
  const std::string base = artifactsFolder() + "/" + name;
  {
    std::ofstream ppm(std::filesystem::path(hostPath(base + ".ppm")), std::ios::binary);
    ppm << "P6\n" << pixels.width << ' ' << pixels.height << "\n255\n";
    for (const uint32_t pixel : pixels.rgb) {
      const char rgb[3] = {static_cast<char>(pixel >> 16), static_cast<char>(pixel >> 8), static_cast<char>(pixel)};
      ppm.write(rgb, 3);
    }
    if (!ppm) return false;
  }
  return runOnLinux("convert " + shellQuoted(base + ".ppm") + " " + shellQuoted(base + ".png") + " && rm " +
                    shellQuoted(base + ".ppm")) == 0;
}

HWND waitForVisibleWindow(const wchar_t* className, DWORD ms) {
  HWND found = nullptr;
  waitUntil(
      [&] {
        found = FindWindowW(className, nullptr);
        return found != nullptr && IsWindowVisible(found);
      },
      ms);
  // Give the first paint time to reach the display.
  if (found != nullptr) Sleep(700);
  return found;
}

// An EnumWindows callback: a named CALLBACK function, since a lambda has no
// stdcall conversion for the 32-bit program.
static BOOL CALLBACK describeVisibleWindow(HWND window, LPARAM into) {
  if (!IsWindowVisible(window)) return TRUE;
  wchar_t className[128] = {};
  wchar_t title[128] = {};
  GetClassNameW(window, className, 128);
  GetWindowTextW(window, title, 128);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  RECT box{};
  GetWindowRect(window, &box);
  auto& out = *reinterpret_cast<std::string*>(into);
  out += "  " + toUtf8(className) + " \"" + toUtf8(title) + "\" process " + std::to_string(process) + " at " +
         std::to_string(box.left) + "," + std::to_string(box.top) + "\n";
  return TRUE;
}

std::string visibleWindowsText() {
  std::string text;
  EnumWindows(describeVisibleWindow, reinterpret_cast<LPARAM>(&text));
  return text.empty() ? "  (none)\n" : text;
}

UiThreadCall::UiThreadCall() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = callProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kCallClass;
  RegisterClassW(&windowClass);
  window_ = CreateWindowExW(0, kCallClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
}

UiThreadCall::~UiThreadCall() {
  if (window_ != nullptr) DestroyWindow(window_);
}

void UiThreadCall::run(const std::function<void()>& call) const {
  SendMessageW(window_, kRunCall, 0, reinterpret_cast<LPARAM>(&call));
}

std::wstring elementText(const UiThreadCall& ui, HWND window, const wchar_t* id) {
  std::wstring text;
  ui.run([&] { text = pageElement(window, id).text(); });
  return text;
}

bool elementTicked(const UiThreadCall& ui, HWND window, const wchar_t* id) {
  bool ticked = false;
  ui.run([&] { ticked = pageElement(window, id).get_value() == htmlayout::value::make_bool(true); });
  return ticked;
}

std::wstring elementDisplay(const UiThreadCall& ui, HWND window, const wchar_t* id) {
  std::wstring display;
  ui.run([&] { display = pageElement(window, id).get_style_attribute("display"); });
  return display;
}

POINT elementCentre(const UiThreadCall& ui, HWND window, const wchar_t* selector) {
  POINT centre{-1, -1};
  ui.run([&] {
    const htmlayout::dom::element root(htmlayout::HTMLayoutGetRootElement(window));
    const htmlayout::dom::element found = root.find_first(selector);
    if (!found.is_valid()) return;
    const htmlayout::rect box = htmlayout::display_scale{htmlayout::HTMLayoutWindowDpi(window)}.to_device(found.get_location());
    centre = POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  });
  return centre;
}

RECT elementBox(const UiThreadCall& ui, HWND window, const wchar_t* selector) {
  RECT box{-1, -1, -1, -1};
  ui.run([&] {
    const htmlayout::dom::element root(htmlayout::HTMLayoutGetRootElement(window));
    const htmlayout::dom::element found = root.find_first(selector);
    if (!found.is_valid()) return;
    const htmlayout::rect place = htmlayout::display_scale{htmlayout::HTMLayoutWindowDpi(window)}.to_device(found.get_location());
    box = RECT{place.left, place.top, place.right, place.bottom};
  });
  return box;
}

WindowPixels windowPixels(const UiThreadCall& ui, HWND window) {
  WindowPixels pixels;
  ui.run([&] {
    // Drawn now, so that what is read is the page's current state.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(window, &client);
    const BitmapSurface copy(client.right, client.bottom);
    HDC source = GetDC(window);
    BitBlt(copy.dc(), 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    pixels = copy.pixels();
  });
  return pixels;
}

RECT inkBox(const WindowPixels& pixels, RECT area, int tolerance) {
  area.left = std::max<LONG>(area.left, 0);
  area.top = std::max<LONG>(area.top, 0);
  area.right = std::min<LONG>(area.right, pixels.width);
  area.bottom = std::min<LONG>(area.bottom, pixels.height);
  std::map<uint32_t, int> counts;
  for (LONG y = area.top; y < area.bottom; ++y) {
    for (LONG x = area.left; x < area.right; ++x) ++counts[pixels.rgb[static_cast<size_t>(y) * pixels.width + x]];
  }
  if (counts.empty()) return RECT{};
  const uint32_t background =
      std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) { return a.second < b.second; })
          ->first;
  const auto channelsDiffer = [&](uint32_t pixel) {
    for (int shift = 0; shift < 24; shift += 8) {
      if (std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((background >> shift) & 0xFF)) >
          tolerance) {
        return true;
      }
    }
    return false;
  };
  RECT ink{area.right, area.bottom, area.left, area.top};
  for (LONG y = area.top; y < area.bottom; ++y) {
    for (LONG x = area.left; x < area.right; ++x) {
      if (!channelsDiffer(pixels.rgb[static_cast<size_t>(y) * pixels.width + x])) continue;
      ink.left = std::min(ink.left, x);
      ink.top = std::min(ink.top, y);
      ink.right = std::max(ink.right, x + 1);
      ink.bottom = std::max(ink.bottom, y + 1);
    }
  }
  return ink.left < ink.right ? ink : RECT{};
}

bool clickElementUntil(const UiThreadCall& ui, HWND window, const wchar_t* selector,
                       const std::function<bool()>& done) {
  const POINT centre = elementCentre(ui, window, selector);
  if (centre.x < 0) return false;
  return clickUntil(window, centre.x, centre.y, done);
}

void withPage(const UiThreadCall& ui, HWND window, const std::function<void(const htmlayout::dom::element& root)>& read) {
  ui.run([&] { read(htmlayout::dom::element(htmlayout::HTMLayoutGetRootElement(window))); });
}

HWND focusedWindow(const UiThreadCall& ui) {
  HWND focus = nullptr;
  ui.run([&] { focus = GetFocus(); });
  return focus;
}

Driver::Driver(std::function<void()> steps)
    : thread_([steps = std::move(steps)] {
        steps();
        closeLeftoverWindows();
      }) {}

Driver::~Driver() {
  // The UI thread's loop has ended: the driver finishes on its own.
  if (thread_.joinable()) thread_.join();
  // A window's objects written after they were freed leave a damaged heap
  // behind, found here at once rather than at some later allocation.
  EXPECT_TRUE(processHeapsAreSound()) << "a heap of the test program is damaged (see Wine's heap: lines)";
}

void runWindowWith(const wchar_t* className, void (*run)(HINSTANCE), const std::function<void(HWND)>& steps) {
  Driver driver([&] {
    HWND window = waitForVisibleWindow(className, 20000);
    ASSERT_NE(window, nullptr) << "no window of class " << toUtf8(className) << " showed; the visible windows:\n"
                               << visibleWindowsText();
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    steps(window);
  });
  run(GetModuleHandleW(nullptr));
}

bool processHeapsAreSound() {
  std::vector<HANDLE> heaps(64);
  DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  if (count > heaps.size()) {
    heaps.resize(count);
    count = std::min<DWORD>(count, GetProcessHeaps(count, heaps.data()));
  }
  for (DWORD i = 0; i < count; ++i) {
    if (!HeapValidate(heaps[i], 0, nullptr)) return false;
  }
  return true;
}

}  // namespace kestro::test
