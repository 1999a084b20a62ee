// Drives the program's windows as a person would: real X input through
// xdotool (a Linux program Wine starts for us) on the test's display, and
// screenshots saved as artifacts. The windows run on the test's main thread;
// a driver thread acts and looks, and reads page state on the UI thread.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "htmlayout/dom.h"

namespace kestro::test {

// Runs a shell command line on the Linux side and waits for it; returns its
// exit status (-1 when it did not finish within `ms`). Its output lands in `output`.
int runOnLinux(const std::string& command, std::string* output = nullptr, DWORD ms = 30000);

// Window-relative positions are client coordinates of these borderless windows.
bool clickAt(HWND window, int x, int y);
// Keys go to `window` (its focused control), whatever lies under the pointer.
bool typeText(HWND window, const std::string& text);
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

// Polls `done` every 50 ms for at most `ms`.
bool waitUntil(const std::function<bool()>& done, DWORD ms);
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

// The client area of a window of this program as it was last drawn: rows
// from the top, each pixel 0x00RRGGBB.
struct WindowPixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;
};
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

// What a login of the reference service's demo account leaves in the client
// state, for the cases that open the main window without logging in.
void fillDemoAccount();

// Removes HKCU\Software\Kestro\Settings with everything in it.
void deleteSettingsKey();
// A value of that key; nothing when the key or the value is missing or of another type.
std::optional<DWORD> settingsDword(const wchar_t* name);
std::optional<std::wstring> settingsText(const wchar_t* name);

}  // namespace kestro::test
