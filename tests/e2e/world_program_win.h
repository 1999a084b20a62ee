// The real program in the test world: a copy of the program folder started
// with the world's service and probe hosts, clicks and typing on its pages,
// and the relay's control channel.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/page_reader_win.h"
#include "tests/support/wine_host_win.h"

namespace kestro::test {

// What scripts/test exports once the test world runs; nothing without it.
struct TestWorld {
  std::string serviceUrl;
  std::string webSite;
  std::string probeHost1;
  std::string probeHost2;
  std::string relayControl;  // 127.0.0.1:<port>
  std::string dataFile;      // the world data (Linux path)
};
std::optional<TestWorld> testWorld();

// One command to the relay; its answer line ("ok ..." or "error ...").
std::string relayCommand(const std::string& command);

// Clicks the middle of the first visible element matching `selector` with
// real input, repeating (at most three times) until `done` holds.
bool clickElement(HWND window, const std::string& selector, const std::function<bool()>& done);
// Empties the box, types `text` and checks the box holds it (ASCII).
bool fillBox(HWND window, const std::string& selector, const std::string& text);

// Kestro.exe started from a fresh copy of the program folder, with the
// world's addresses in its environment (its relay too, for the route mirror
// and the tunnel library's counters); ended (by its handle) when it goes.
class WorldProgram {
 public:
  // `ini` replaces values of the stand-in tunnel library's Viadex.ini;
  // `environment` adds variables (such as KESTRO_LINK_MONITOR_MS).
  WorldProgram(const TestWorld& world, const std::map<std::string, std::string>& ini = {},
               const std::map<std::string, std::string>& environment = {});
  ~WorldProgram();
  WorldProgram(const WorldProgram&) = delete;
  WorldProgram& operator=(const WorldProgram&) = delete;

  bool started() const { return process_ != nullptr; }
  // Ends the program at once, as a crash or the task manager would.
  void kill();
  bool running() const;
  std::optional<DWORD> waitForExit(DWORD ms);
  const std::wstring& folder() const { return folder_; }

 private:
  std::wstring folder_;
  HANDLE process_ = nullptr;
};

// Logs the demo account in through the login window; the main window, or null.
HWND logInAsDemoUser();

}  // namespace kestro::test
