#include "tests/support/demo_main_window_win.h"

#include "app/client_state.h"
#include "base/text_convert.h"
#include "service/voice_catalogue.h"
#include "tests/support/registry_values_win.h"
#include "ui/host/message_window_win.h"
#include "ui/main/main_window_win.h"

namespace kestro::test {

void fillDemoAccount() {
  ClientState& state = ClientState::instance();
  state.setUserName(L"kestro");
  state.setPassword(L"kestro123");
  state.setAccountType(8);
  state.setAccountStatus(3);
  state.setExpireDate(L"2027-06-30");
  state.setLeaveDays(204);
  state.setIpAddress(L"127.0.0.1");
  state.setIpName(L"本机回环地址（演示账户）");
  state.loggedIn = 1;
}

UniqueHandle markAccelerating() {
  ClientState& state = ClientState::instance();
  const HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE watch = nullptr;
  DuplicateHandle(GetCurrentProcess(), stop, GetCurrentProcess(), &watch, 0, FALSE, DUPLICATE_SAME_ACCESS);
  state.setStopEvent(stop);
  state.accelerating = 1;
  return UniqueHandle(watch);
}

void PrintTo(const StepRow& row, std::ostream* out) {
  *out << toUtf8(row.arrow + L"|" + row.title + L"|" + row.status + L"|" + row.detailClass + L"|" + row.detail + L"|" +
                 row.button);
}

void DemoMainWindow::SetUp() {
  deleteSettingsKey();
  fillDemoAccount();
  ClientState& state = ClientState::instance();
  state.accelerating = 0;
  state.linkReportShown = 0;
  ASSERT_TRUE(buildVoiceCatalogue());
}

void DemoMainWindow::TearDown() {
  ClientState::instance().accelerating = 0;
  deleteSettingsKey();
}

void DemoMainWindow::runWith(const std::function<void(HWND)>& steps) {
  runWindowWith(kMainWindowClass, runMainWindow, steps);
}

std::wstring DemoMainWindow::shownPanel(HWND window) const {
  std::wstring name;
  withPage(ui_, window, [&](const htmlayout::dom::element& root) {
    name = root.find_first(L"#tabview>[name][selected]").get_attribute("name");
  });
  return name;
}

void DemoMainWindow::click(HWND window, const wchar_t* selector, const std::function<bool()>& done) const {
  ASSERT_TRUE(clickElementUntil(ui_, window, selector, done)) << "clicking " << toUtf8(selector) << " did nothing";
}

void DemoMainWindow::openTab(HWND window, const std::wstring& panel) const {
  const std::wstring tab = L".strip>[panel=" + panel + L"]";
  click(window, tab.c_str(), [&] { return shownPanel(window) == panel; });
}

void DemoMainWindow::clickForMessage(HWND window, const wchar_t* selector) const {
  click(window, selector, [] { return FindWindowW(kMessageWindowClass, nullptr) != nullptr; });
}

std::vector<StepRow> DemoMainWindow::stepRows(HWND window, const wchar_t* id) const {
  std::vector<StepRow> rows;
  withPage(ui_, window, [&](const htmlayout::dom::element& root) {
    const htmlayout::dom::element table = root.find_by_id(id);
    for (unsigned index = 1; index < table.children_count(); ++index) {
      const htmlayout::dom::element row = table.child(index);
      const htmlayout::dom::element cell = row.child(1);
      StepRow seen;
      seen.arrow = row.child(0).child(0).get_attribute("src");
      seen.status = row.child(2).child(0).get_attribute("src");
      if (const htmlayout::dom::element detail = cell.find_first(L":root>p"); detail.is_valid()) {
        seen.detailClass = detail.get_attribute("class");
        seen.detail = detail.text();
      }
      if (const htmlayout::dom::element button = cell.find_first(L":root>widget"); button.is_valid())
        seen.button = button.get_attribute("id");
      seen.title = cell.text().substr(0, cell.text().size() - seen.detail.size());
      rows.push_back(seen);
    }
  });
  return rows;
}

}  // namespace kestro::test
