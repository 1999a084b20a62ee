// The main window of a logged-in user, opened without a login: the client
// state holds what a login of the reference service's demo account leaves
// there, and the settings key starts and ends empty. The cases run the window
// on the test's thread and drive it from a Driver (tests/support/ui_driver_win.h).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "base/unique_handle_win.h"
#include "tests/support/ui_driver_win.h"

namespace kestro::test {

// What a login of the demo account (kestro, kestro123) leaves in the client state.
void fillDemoAccount();

// Puts a running acceleration into the client state, with the stop event a
// started tunnel has; returns a second handle of that event, which shows
// whether a stop signalled it after the state has let its own go.
UniqueHandle markAccelerating();

// One row of a step table (the acceleration's progress, the diagnosis's
// verdicts) as the page shows it.
struct StepRow {
  std::wstring arrow;   // "src" of the first cell's picture
  std::wstring title;   // the middle cell's own text
  std::wstring status;  // "src" of the last cell's picture
  std::wstring detailClass;
  std::wstring detail;
  std::wstring button;  // the id of a button row's button (retry, back)

  bool operator==(const StepRow&) const = default;
};
void PrintTo(const StepRow& row, std::ostream* out);

class DemoMainWindow : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs the main window on this thread while `steps` drive it; whatever of
  // the program is still open when they end is closed.
  void runWith(const std::function<void(HWND)>& steps);

  std::wstring text(HWND window, const wchar_t* id) const { return elementText(ui_, window, id); }
  std::wstring display(HWND window, const wchar_t* id) const { return elementDisplay(ui_, window, id); }
  // The name of the panel the tab view shows ("panel-id1" to "panel-id6").
  std::wstring shownPanel(HWND window) const;
  // Clicks the element `selector` (again, at most three times) until `done` holds.
  void click(HWND window, const wchar_t* selector, const std::function<bool()>& done) const;
  // Clicks the tab of `panel` until the tab view shows that panel.
  void openTab(HWND window, const std::wstring& panel) const;
  // Clicks `selector` until a message window opens.
  void clickForMessage(HWND window, const wchar_t* selector) const;
  // The rows of the step table `id` after its header row.
  std::vector<StepRow> stepRows(HWND window, const wchar_t* id) const;

  UiThreadCall ui_;
};

}  // namespace kestro::test
