// Drives the program's windows as a person would: real X input through
// xdotool (a Linux program Wine starts for us) on the test's display, and
// screenshots saved as artifacts. The windows run on the test's main thread;
// a driver thread acts and looks, and reads page state on the UI thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "htmlayout/dom.h"
#include "tests/support/bitmap_surface_win.h"
#include "tests/support/wine_host_win.h"

namespace kestro::test {

// Window-relative positions are client coordinates of these borderless windows.
bool clickAt(HWND window, int x, int y);
// Keys go to `window` (its focused control), whatever lies under the pointer.
bool typeText(HWND window, const std::string& text);
// Whether the keyboard focus of `window`'s thread is on its child control at
// (x, y), in this program or another: after a lost click the keys would go
// to the box focused before.
bool focusIsAt(HWND window, int x, int y);
// Input can get lost on a loaded machine: these repeat the click (at most three
// times) until `done` holds, or the typing until the box `id` holds exactly `text` (ASCII).
class UiThreadCall;
bool clickUntil(HWND window, int x, int y, const std::function<bool()>& done);
bool typeInto(const UiThreadCall& ui, HWND window, int x, int y, const wchar_t* id, const std::string& text);
bool pressKey(HWND window, const std::string& keys);
// Presses `keys` (at most three times, as clickUntil clicks) until `done` holds.
bool pressKeyUntil(HWND window, const std::string& keys, const std::function<bool()>& done);
// Saves the whole display as <artifacts>/<name>.png (KESTRO_ARTIFACTS, else build/ui-artifacts).
bool saveScreenshot(const std::string& name);
std::string artifactsFolder();

// A visible top-level window of `className` within `ms`, once its first paint
// had time to reach the display; null when none showed.
HWND waitForVisibleWindow(const wchar_t* className, DWORD ms);
// The visible top-level windows, one a line: class, title, process id. What a
// failing case prints, since a run on another machine leaves no screenshot.
std::string visibleWindowsText();

// A hidden window on the thread that creates it; `run` executes a function
// there (the driver reads page elements this way, never from its own thread).
class UiThreadCall {
 public:
  UiThreadCall();
  ~UiThreadCall();
  UiThreadCall(const UiThreadCall&) = delete;
  UiThreadCall& operator=(const UiThreadCall&) = delete;
  void run(const std::function<void()>& call) const;

 private:
  HWND window_ = nullptr;
};

// The text of the page element `id` in `window` (edit boxes: their value).
std::wstring elementText(const UiThreadCall& ui, HWND window, const wchar_t* id);
bool elementTicked(const UiThreadCall& ui, HWND window, const wchar_t* id);
std::wstring elementDisplay(const UiThreadCall& ui, HWND window, const wchar_t* id);
// The middle of the first element matching a CSS selector (such as "#btnclose"
// or "tr[value=\"104\"]") in client coordinates of `window`; {-1, -1} when
// there is none.
POINT elementCentre(const UiThreadCall& ui, HWND window, const wchar_t* selector);
// The border box of the first element matching `selector`, in client pixels
// (left -1 when there is none).
RECT elementBox(const UiThreadCall& ui, HWND window, const wchar_t* selector);

// The client area of a window of this program as it is drawn now.
WindowPixels windowPixels(const UiThreadCall& ui, HWND window);
// Saves those pixels as <artifacts>/<name>.png: a window's own picture, even
// where it reaches past the edge of the test display.
bool saveWindowPicture(const WindowPixels& pixels, const std::string& name);
// The smallest rectangle around the pixels of `area` whose colour differs from
// the area's most frequent one (its background) by more than `tolerance` in a
// channel: where text or a picture was drawn. Empty when nothing was.
RECT inkBox(const WindowPixels& pixels, RECT area, int tolerance = 60);
// Clicks that element (repeating as clickUntil does) until `done` holds.
bool clickElementUntil(const UiThreadCall& ui, HWND window, const wchar_t* selector,
                       const std::function<bool()>& done);
// Runs `read` on the UI thread with the page root of `window`.
void withPage(const UiThreadCall& ui, HWND window, const std::function<void(const htmlayout::dom::element& root)>& read);
// The window that has keyboard focus on the UI thread.
HWND focusedWindow(const UiThreadCall& ui);

// Every heap of the program passes HeapValidate. Under Wine's heap checks
// (WINEDEBUG=warn+heap) freed blocks are filled, so a block written after it
// was freed fails the check.
bool processHeapsAreSound();

// Runs a driver on its own thread while the calling (UI) thread runs the
// windows; when the driver ends, any window of the program still open is
// closed so the UI thread never waits forever. Its end checks the heaps.
class Driver {
 public:
  explicit Driver(std::function<void()> steps);
  ~Driver();
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

 private:
  std::thread thread_;
};

// Runs a window of the program on this thread (`run`: runLoginWindow,
// runMainWindow) while `steps` drive it from a Driver, once it shows. The
// window is kept on top, so that windows of tests beside this one never come
// between the clicks and it.
void runWindowWith(const wchar_t* className, void (*run)(HINSTANCE), const std::function<void(HWND)>& steps);

}  // namespace kestro::test
