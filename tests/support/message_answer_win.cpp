#include "tests/support/message_answer_win.h"

#include <gtest/gtest.h>

#include "base/text_convert.h"
#include "ui/host/message_window_win.h"

namespace kestro::test {

namespace {

// The message window once it shows, checked as answerMessage says; null when none showed.
HWND checkedMessage(const UiThreadCall& ui, HWND owner, const std::wstring& expected, const std::string& screenshot) {
  const HWND message = waitForVisibleWindow(kMessageWindowClass, 20000);
  if (message == nullptr) return nullptr;
  EXPECT_EQ(elementText(ui, message, L"txtmessage"), expected);
  EXPECT_FALSE(IsWindowEnabled(owner)) << "the window under the message still takes input";
  if (!screenshot.empty()) saveScreenshot(screenshot);
  return message;
}

}  // namespace

void answerMessage(const UiThreadCall& ui, HWND owner, const std::wstring& expected, const wchar_t* button,
                   const std::string& screenshot) {
  const HWND message = checkedMessage(ui, owner, expected, screenshot);
  ASSERT_NE(message, nullptr) << "no message window; the visible windows:\n" << visibleWindowsText();
  ASSERT_TRUE(clickElementUntil(ui, message, button, [&] { return !IsWindow(message); }))
      << "the message did not close on " << toUtf8(button);
}

void answerMessageWithKey(const UiThreadCall& ui, HWND owner, const std::wstring& expected, const char* key,
                          const std::string& screenshot) {
  const HWND message = checkedMessage(ui, owner, expected, screenshot);
  ASSERT_NE(message, nullptr) << "no message window; the visible windows:\n" << visibleWindowsText();
  ASSERT_TRUE(pressKeyUntil(message, key, [&] { return !IsWindow(message); })) << "the message did not close on " << key;
}

}  // namespace kestro::test
