#include "ui/host/message_window_win.h"

#include <gtest/gtest.h>

#include "htmlayout/win32/window_host_win.h"
#include "tests/support/message_answer_win.h"
#include "tests/support/ui_driver_win.h"
#include "tests/support/window_checks_win.h"

namespace kestro {
namespace {

using namespace kestro::test;

// An ordinary top-level window that owns the message.
class OwnerWindow {
 public:
  OwnerWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KestroUiTestOwner";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, L"KestroUiTestOwner", L"owner", WS_OVERLAPPEDWINDOW, 20, 20, 300, 200, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~OwnerWindow() { DestroyWindow(window_); }
  HWND window() const { return window_; }

 private:
  HWND window_;
};

struct Press {
  const char* name;
  MessageButtons buttons;
  const wchar_t* button;  // clicked, unless a key is pressed
  int32_t answer;
  const char* key = nullptr;
  QuestionWeight weight = QuestionWeight::Ordinary;
};

void PrintTo(const Press& press, std::ostream* out) { *out << press.name; }

class MessageWindowPress : public testing::TestWithParam<Press> {};

TEST_P(MessageWindowPress, AnswersForTheButtonPressed) {
  const Press press = GetParam();
  const bool question = press.buttons == MessageButtons::YesNo;
  const std::wstring text = question ? L"是否退出泓迈网游加速器？" : L"请输入用户帐号名称！";
  OwnerWindow owner;
  UiThreadCall ui;
  bool ownerDisabled = false;
  {
    Driver driver([&] {
      HWND window = waitForVisibleWindow(kMessageWindowClass, 20000);
      ASSERT_NE(window, nullptr);
      ownerDisabled = !IsWindowEnabled(owner.window());
      EXPECT_NE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
      EXPECT_EQ(GetParent(window), nullptr);
      wchar_t title[64] = {};
      GetWindowTextW(window, title, 64);
      EXPECT_STREQ(title, L"泓迈网游加速器提示");
      expectCentredAndRounded(window, 372, 201);
      expectDragStrip(window, {100, 10}, {100, 60});
      EXPECT_EQ(elementText(ui, window, L"txtmessage"), text);
      EXPECT_EQ(elementDisplay(ui, window, L"btnok"), question ? L"none" : std::wstring(L"inline"));
      EXPECT_EQ(elementDisplay(ui, window, L"btnyes"), question ? std::wstring(L"inline") : L"none");
      EXPECT_EQ(elementDisplay(ui, window, L"btnno"), question ? std::wstring(L"inline") : L"none");
      saveScreenshot(std::string("message-") + press.name);
      if (press.key != nullptr) {
        EXPECT_TRUE(pressKeyUntil(window, press.key, [&] { return !IsWindow(window); }))
            << "the message window did not close on " << press.key;
      } else {
        EXPECT_TRUE(clickElementUntil(ui, window, press.button, [&] { return !IsWindow(window); }))
            << "the message window did not close";
      }
    });
    CMessageWindow message(text, question ? MessageIcon::Question : MessageIcon::Information, press.buttons,
                           press.weight);
    EXPECT_EQ(message.run(owner.window()), press.answer);
  }
  EXPECT_TRUE(ownerDisabled) << "the owner took input while the message was open";
  EXPECT_TRUE(IsWindowEnabled(owner.window()));
}

INSTANTIATE_TEST_SUITE_P(
    BothModes, MessageWindowPress,
    testing::Values(Press{"ok", MessageButtons::Ok, kMessageOk, kAnswerOk},
                    Press{"ok_close", MessageButtons::Ok, kMessageClose, kAnswerOk},
                    Press{"yes", MessageButtons::YesNo, kMessageYes, kAnswerYes},
                    Press{"no", MessageButtons::YesNo, kMessageNo, kAnswerNo},
                    Press{"yesno_close", MessageButtons::YesNo, kMessageClose, kAnswerYes},
                    // A destructive question is not answered Yes by its close button.
                    Press{"destructive_close", MessageButtons::YesNo, kMessageClose, kAnswerNo, nullptr,
                          QuestionWeight::Destructive},
                    Press{"destructive_yes", MessageButtons::YesNo, kMessageYes, kAnswerYes, nullptr,
                          QuestionWeight::Destructive},
                    // Enter answers as the default button; Esc cancels: OK, or No.
                    Press{"ok_enter", MessageButtons::Ok, nullptr, kAnswerOk, "Return"},
                    Press{"ok_escape", MessageButtons::Ok, nullptr, kAnswerOk, "Escape"},
                    Press{"yesno_enter", MessageButtons::YesNo, nullptr, kAnswerYes, "Return"},
                    Press{"yesno_escape", MessageButtons::YesNo, nullptr, kAnswerNo, "Escape"},
                    Press{"destructive_escape", MessageButtons::YesNo, nullptr, kAnswerNo, "Escape",
                          QuestionWeight::Destructive}),
    [](const testing::TestParamInfo<Press>& info) { return std::string(info.param.name); });

// A second message opened from within the first one's loop (a worker's report
// arriving while a question is open): each loop ends with its own window.
class NestedMessages : public testing::TestWithParam<bool> {};

LRESULT CALLBACK opensSecondMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) {
    *reinterpret_cast<int32_t*>(lParam) =
        CMessageWindow(L"服务器连接失败，请检查您的网络连接！", MessageIcon::Error, MessageButtons::YesNo).run(nullptr);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_P(NestedMessages, EachClosesWithItsOwnAnswerInEitherOrder) {
  const bool firstClosesFirst = GetParam();
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = opensSecondMessage;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"KestroUiTestSecondMessage";
  RegisterClassW(&windowClass);
  HWND opener = CreateWindowExW(0, L"KestroUiTestSecondMessage", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(opener, nullptr);
  OwnerWindow owner;
  UiThreadCall ui;
  int32_t second = -1;
  int32_t first = -1;
  bool otherStayed = false;
  {
    Driver driver([&] {
      HWND outer = waitForVisibleWindow(kMessageWindowClass, 20000);
      ASSERT_NE(outer, nullptr);
      PostMessageW(opener, WM_APP, 0, reinterpret_cast<LPARAM>(&second));
      HWND inner = nullptr;
      ASSERT_TRUE(waitUntil(
          [&] {
            inner = FindWindowExW(nullptr, nullptr, kMessageWindowClass, nullptr);
            while (inner == outer) inner = FindWindowExW(nullptr, inner, kMessageWindowClass, nullptr);
            return inner != nullptr && IsWindowVisible(inner);
          },
          20000));
      // Side by side, so that each can be clicked.
      SetWindowPos(inner, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      SetWindowPos(outer, nullptr, 400, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      const HWND closedFirst = firstClosesFirst ? outer : inner;
      const HWND closedLast = firstClosesFirst ? inner : outer;
      // "否" on the one, then "是" on the other.
      EXPECT_TRUE(clickElementUntil(ui, closedFirst, kMessageNo, [&] { return !IsWindow(closedFirst); }));
      otherStayed = waitUntil([&] { return !IsWindowVisible(closedLast); }, 1000) == false;
      EXPECT_TRUE(clickElementUntil(ui, closedLast, kMessageYes, [&] { return !IsWindow(closedLast); }));
    });
    first = CMessageWindow(L"是否退出泓迈网游加速器？", MessageIcon::Question, MessageButtons::YesNo).run(owner.window());
  }
  EXPECT_TRUE(otherStayed) << "closing one message closed the other";
  EXPECT_EQ(first, firstClosesFirst ? kAnswerNo : kAnswerYes);
  EXPECT_EQ(second, firstClosesFirst ? kAnswerYes : kAnswerNo);
  EXPECT_TRUE(IsWindowEnabled(owner.window()));
  DestroyWindow(opener);
}

INSTANTIATE_TEST_SUITE_P(BothOrders, NestedMessages, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "OuterFirst" : "InnerFirst");
                         });

TEST(MessageWindow, EachIconShowsItsPictureAndOtherValuesShowNone) {
  const std::pair<int32_t, std::wstring> icons[] = {{0, L"url(MICONINFORMATION.PNG)"}, {1, L"url(MICONERROR.PNG)"},
                                                    {2, L"url(MICONWARN.PNG)"},      {3, L"url(MICONQUESTION.PNG)"},
                                                    {7, L""}};
  UiThreadCall ui;
  for (const auto& [icon, picture] : icons) {
    std::wstring shown;
    Driver driver([&] {
      HWND window = waitForVisibleWindow(kMessageWindowClass, 20000);
      ASSERT_NE(window, nullptr);
      ui.run([&] {
        const htmlayout::dom::element root(htmlayout::HTMLayoutGetRootElement(window));
        shown = root.find_by_id(L"imgmessage").get_style_attribute("background-image");
      });
      if (icon == 1) {
        saveScreenshot("message-error-icon");
        // In pixels: the one line of text sits in the middle of its 48-pixel
        // box (left at the top it would be 16 pixels off).
        const RECT box = elementBox(ui, window, L"#txtmessage");
        const RECT ink = inkBox(windowPixels(ui, window), box);
        ASSERT_LT(ink.top, ink.bottom) << "no text drawn in the message box";
        EXPECT_NEAR((ink.top + ink.bottom) / 2.0, (box.top + box.bottom) / 2.0, 2.5);
        EXPECT_LE(ink.left - box.left, 2) << "the text starts at the box's left edge";
      }
      PostMessageW(window, WM_CLOSE, 0, 0);
    });
    // A button mode of neither kind keeps all three of the page's buttons; closing answers 0.
    EXPECT_EQ(CMessageWindow(L"服务器连接失败，请检查您的网络连接！", icon, 5).run(nullptr), kAnswerOk);
    EXPECT_EQ(shown, picture) << icon;
  }
}

// Enter held down in the window before (the login box) repeats into the
// message that opens under it: the repeats answer nothing; a fresh press
// answers as the default button.
TEST(MessageWindow, AHeldEnterDoesNotAnswerAMessageThatOpenedUnderIt) {
  bool openAfterRepeats = false;
  Driver driver([&] {
    HWND window = waitForVisibleWindow(kMessageWindowClass, 20000);
    ASSERT_NE(window, nullptr);
    // Repeats of a held key: WM_KEYDOWN with the previous-state bit (30) set.
    for (int repeat = 0; repeat < 5; ++repeat) PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0x40000001);
    Sleep(500);
    openAfterRepeats = IsWindow(window);
    EXPECT_TRUE(pressKeyUntil(window, "Return", [&] { return !IsWindow(window); }));
  });
  EXPECT_EQ(CMessageWindow(L"是否退出泓迈网游加速器？", MessageIcon::Question, MessageButtons::YesNo).run(nullptr),
            kAnswerYes);
  EXPECT_TRUE(openAfterRepeats) << "a held Enter answered the message";
}

}  // namespace
}  // namespace kestro
