#include "bench/session/world_session_win.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "base/text_convert.h"
#include "tests/support/registry_values_win.h"
#include "tests/support/ui_driver_win.h"
#include "tests/support/wine_host_win.h"

namespace kestro::bench {
namespace {

using test::clickElement;
using test::pageItem;
using test::pageText;
using test::pageVisible;
using test::waitUntil;

// Whether the display shows more than one colour where the window lies: its
// page drawn, not only its background.
bool drawnOnDisplay(HWND window) {
  RECT box{};
  if (!GetWindowRect(window, &box) || box.right <= box.left || box.bottom <= box.top) return false;
  const int width = box.right - box.left, height = box.bottom - box.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool drawn = false;
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, box.left, box.top, SRCCOPY)) {
      const auto* pixel = static_cast<const uint32_t*>(bits);
      for (int i = 1; i < width * height && !drawn; ++i) drawn = (pixel[i] & 0xFFFFFF) != (pixel[0] & 0xFFFFFF);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return drawn;
}

// The settings an earlier run left (its node and game) go first: every run starts as a first one.
const test::TestWorld& withoutSettings(const test::TestWorld& world) {
  test::deleteSettingsKey();
  return world;
}

bool failed(const char* step) {
  std::fprintf(stderr, "%s; the visible windows:\n%s", step, test::visibleWindowsText().c_str());
  return false;
}

}  // namespace

WatchedProgram::WatchedProgram(const test::TestWorld& world, int linkMonitorMs)
    : program_(withoutSettings(world), {}, {{"KESTRO_LINK_MONITOR_MS", std::to_string(linkMonitorMs)}}) {}

std::optional<double> WatchedProgram::waitForPaintedLogin() {
  // Fine-grained: a coarse poll would add its period to the figure.
  const auto painted = [&] {
    if (login_ == nullptr) login_ = FindWindowW(L"KestroLoginWindow", nullptr);
    return login_ != nullptr && IsWindowVisible(login_) && !GetUpdateRect(login_, nullptr, FALSE) &&
           drawnOnDisplay(login_);
  };
  const ULONGLONG deadline = GetTickCount64() + 60000;
  while (!painted()) {
    if (GetTickCount64() > deadline) return std::nullopt;
    Sleep(5);
  }
  DWORD processId = 0;
  GetWindowThreadProcessId(login_, &processId);
  watch_ = std::make_unique<ProcessWatch>(processId, 0);
  const double seconds = secondsSinceCreation(watch_->handle());
  const std::string folder = toUtf8(std::filesystem::path(program_.folder()).filename().wstring());
  watch_ = std::make_unique<ProcessWatch>(processId, unixPidOf(folder, "Kestro.exe"));
  if (seconds < 0) return std::nullopt;
  return seconds;
}

HWND logIn() { return test::logInAsDemoUser(); }

bool accelerating(HWND main) { return pageVisible(main, "#accstatuscontainer"); }

bool tunnelOpen() { return test::relayCommand("traffic").starts_with("ok up"); }

bool chooseNodeAndGame(HWND main, int nodeId, int gameId) {
  const std::string row = "tr[value=\"" + std::to_string(nodeId) + "\"]";
  if (!clickElement(main, "#nodepanel", [&] { return pageItem(main, row).has_value(); })) {
    return failed("the node panel shows no row of the node");
  }
  if (!clickElement(main, row, [&] {
        const auto item = pageItem(main, row);
        return item && (item->state & htmlayout::STATE_CURRENT) != 0;
      })) {
    return failed("the node's row never became the current one");
  }
  if (!clickElement(main, "#btnchecknode", [&] { return pageText(main, "#txtcurrentnode") != L"未选择"; })) {
    return failed("the node was not taken");
  }
  const std::string game = "#game" + std::to_string(gameId);
  if (!clickElement(main, "#gamepanel", [&] { return pageItem(main, game).has_value(); }) ||
      !clickElement(main, game, [&] { return pageText(main, "#txtcurrentgame") != L"未选择"; })) {
    return failed("the game was not taken");
  }
  return clickElement(main, "div[panel=\"panel-id1\"]", [&] { return pageVisible(main, "#btnstartacc"); }) ||
         failed("the acceleration panel did not come back");
}

bool startAcceleration(HWND main) {
  if (!clickElement(main, "#btnstartacc", [&] { return pageVisible(main, "#accingcontainer") || accelerating(main); }) ||
      !waitUntil([&] { return accelerating(main); }, 60000)) {
    return failed("the acceleration never ran");
  }
  return true;
}

bool stopAcceleration(HWND main) {
  return clickElement(main, "#linkstopacc", [&] { return !accelerating(main); }) &&
         waitUntil([&] { return pageVisible(main, "#startacccontainer"); }, 15000);
}

double environmentNumber(const char* name, double fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && std::atof(value) > 0 ? std::atof(value) : fallback;
}

double loadAverage() {
  std::string output;
  if (test::runOnLinux("cat /proc/loadavg", &output, 10000) != 0) return -1;
  return std::strtod(output.c_str(), nullptr);
}

double benchSeconds() {
  static const ULONGLONG start = GetTickCount64();
  return static_cast<double>(GetTickCount64() - start) / 1000.0;
}

}  // namespace kestro::bench
