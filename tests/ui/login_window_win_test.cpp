// The login window as a new user meets it: real clicks and typing on the test
// display, against the reference service that scripts/test starts.
#include "ui/login/login_window_win.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "app/client_state.h"
#include "app/deployment.h"
#include "app/password_codec.h"
#include "app/settings_store_win.h"
#include "base/text_convert.h"
#include "htmlayout/win32/window_host_win.h"
#include "tests/support/message_answer_win.h"
#include "tests/support/registry_values_win.h"
#include "tests/support/scoped_seam.h"
#include "tests/support/scripted_server_win.h"
#include "tests/support/service_url_win.h"
#include "tests/support/test_folders_win.h"
#include "tests/support/ui_driver_win.h"
#include "tests/support/window_checks_win.h"
#include "tests/support/wine_host_win.h"
#include "ui/host/message_window_win.h"
#include "ui/host/shell_open_win.h"

namespace kestro {
namespace {

using namespace kestro::test;

// Client positions on the LOGIN page.
constexpr POINT kUserNameBox{190, 154}, kPasswordBox{190, 185}, kSaveUserName{120, 211}, kSavePassword{205, 211},
    kLoginButton{305, 251}, kHomePageButton{51, 251}, kCloseButton{337, 9}, kMinimiseButton{303, 9},
    kRegisterLink{290, 154}, kForgotPasswordLink{290, 185};

class LoginWindow : public testing::Test {
 protected:
  void SetUp() override {
    deleteSettingsKey();
    ClientState::instance().loggedIn = 0;
    ASSERT_TRUE(referenceServiceAnswers());
  }
  void TearDown() override { deleteSettingsKey(); }

  // Runs the login window on this thread while `steps` drive it.
  static void runWith(const std::function<void(HWND)>& steps) { runWindowWith(kLoginWindowClass, runLoginWindow, steps); }

  // Types into a box after clicking it.
  void typeInto(HWND window, POINT box, const std::string& text) {
    const wchar_t* id = box.y == kUserNameBox.y ? L"txtusername" : L"txtpassword";
    ASSERT_TRUE(test::typeInto(ui_, window, box.x, box.y, id, text)) << "typing into " << toUtf8(id) << " failed; it holds \""
        << toUtf8(elementText(ui_, window, id)) << "\"; the visible windows:\n"
        << visibleWindowsText();
  }

  // Clicks a check box until it changes.
  void toggle(HWND window, POINT box, const wchar_t* id) {
    const bool before = elementTicked(ui_, window, id);
    ASSERT_TRUE(clickUntil(window, box.x, box.y, [&] { return elementTicked(ui_, window, id) != before; }));
  }

  // Clicks "用户登录" until the login starts, asks something or ends.
  void pressLogin(HWND login) {
    ASSERT_TRUE(clickUntil(login, kLoginButton.x, kLoginButton.y, [&] {
      return !IsWindow(login) || FindWindowW(kMessageWindowClass, nullptr) != nullptr ||
             elementDisplay(ui_, login, L"btnlogin") == L"none";
    }));
  }

  // Presses Enter in the focused box until the login starts, asks something or ends.
  void enterLogin(HWND login) {
    ASSERT_TRUE(pressKeyUntil(login, "Return", [&] {
      return !IsWindow(login) || FindWindowW(kMessageWindowClass, nullptr) != nullptr ||
             elementDisplay(ui_, login, L"btnlogin") == L"none";
    })) << "Enter in the box did not log in";
  }

  static bool closes(HWND window) { return waitUntil([&] { return !IsWindow(window); }, 20000); }

  // Answers the message with its OK and waits until the login window is back in use.
  void answerMessage(HWND login, const std::wstring& text, const std::string& screenshot = {}) {
    test::answerMessage(ui_, login, text, kMessageOk, screenshot);
    EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(login) != FALSE; }, 5000));
  }

  // The edit control that has the keyboard sits where the page puts `box`.
  void expectKeyboardIn(HWND login, POINT box) {
    HWND focus = nullptr;
    waitUntil(
        [&] {
          focus = focusedWindow(ui_);
          return focus != nullptr && GetParent(focus) == login;
        },
        5000);
    ASSERT_NE(focus, nullptr);
    RECT place{};
    GetWindowRect(focus, &place);
    MapWindowPoints(nullptr, login, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_TRUE(PtInRect(&place, box)) << place.left << "," << place.top;
  }

  void expectFormShown(HWND login) {
    EXPECT_EQ(elementDisplay(ui_, login, L"btnlogin"), std::wstring(L"inline"));
    EXPECT_EQ(elementDisplay(ui_, login, L"btnhomepage"), std::wstring(L"inline"));
    EXPECT_EQ(elementDisplay(ui_, login, L"pgslogin"), L"none");
    EXPECT_EQ(elementDisplay(ui_, login, L"txtpgs"), L"none");
  }

  UiThreadCall ui_;
};

TEST_F(LoginWindow, FirstStartIsEmptyAndTheSecondRemembersTheDefaultName) {
  runWith([&](HWND login) {
    saveScreenshot("login-first-start");
    expectCentredAndRounded(login, 357, 270);
    expectDragStrip(login, {150, 10}, {150, 100});
    wchar_t title[64] = {};
    GetWindowTextW(login, title, 64);
    EXPECT_STREQ(title, L"泓迈网游加速器");
    EXPECT_EQ(elementText(ui_, login, L"txtusername"), L"");
    EXPECT_EQ(elementText(ui_, login, L"txtpassword"), L"");
    EXPECT_FALSE(elementTicked(ui_, login, L"chksaveusername"));
    EXPECT_FALSE(elementTicked(ui_, login, L"chksavepassword"));
    expectFormShown(login);
    EXPECT_TRUE(clickUntil(login, kCloseButton.x, kCloseButton.y, [&] { return !IsWindow(login); }));
  });
  EXPECT_EQ(ClientState::instance().loggedIn, 0);
  EXPECT_EQ(settingsDword(L"SaveUsername"), 1u);
  EXPECT_EQ(settingsText(L"Username"), L"kestro");
  EXPECT_EQ(settingsDword(L"SavePassword"), 0u);

  runWith([&](HWND login) {
    EXPECT_EQ(elementText(ui_, login, L"txtusername"), L"kestro");
    EXPECT_TRUE(elementTicked(ui_, login, L"chksaveusername"));
    EXPECT_FALSE(elementTicked(ui_, login, L"chksavepassword"));
    saveScreenshot("login-second-start");
    typeInto(login, kPasswordBox, "kestro123");
    toggle(login, kSaveUserName, L"chksaveusername");
    EXPECT_FALSE(elementTicked(ui_, login, L"chksaveusername"));
    pressLogin(login);
    EXPECT_TRUE(closes(login)) << "a good login did not close the window";
  });
  EXPECT_EQ(ClientState::instance().loggedIn, 1);
  EXPECT_EQ(settingsDword(L"SaveUsername"), 0u);
  EXPECT_EQ(settingsText(L"Username"), std::nullopt);
  EXPECT_EQ(settingsDword(L"SavePassword"), 0u);
  EXPECT_EQ(settingsText(L"Password"), std::nullopt);
}

TEST_F(LoginWindow, GoodLoginFillsTheAccountAndRemembersNameAndPassword) {
  runWith([&](HWND login) {
    typeInto(login, kUserNameBox, "kestro");
    typeInto(login, kPasswordBox, "kestro123");
    toggle(login, kSaveUserName, L"chksaveusername");
    toggle(login, kSavePassword, L"chksavepassword");
    EXPECT_TRUE(elementTicked(ui_, login, L"chksavepassword"));
    saveScreenshot("login-filled-in");
    pressLogin(login);
    EXPECT_TRUE(closes(login)) << "a good login did not close the window";
  });
  const ClientState& state = ClientState::instance();
  EXPECT_EQ(state.loggedIn, 1);
  EXPECT_EQ(state.userName(), L"kestro");
  EXPECT_EQ(state.accountType(), 8);
  EXPECT_EQ(state.expireDate(), L"2027-06-30");
  EXPECT_EQ(settingsDword(L"SaveUsername"), 1u);
  EXPECT_EQ(settingsText(L"Username"), L"kestro");
  EXPECT_EQ(settingsDword(L"SavePassword"), 1u);
  EXPECT_EQ(settingsText(L"Password"), encodeStoredPassword(L"kestro123"));
  EXPECT_NE(settingsText(L"Password"), L"kestro123");

  // The next start fills in both boxes.
  runWith([&](HWND login) {
    EXPECT_EQ(elementText(ui_, login, L"txtusername"), L"kestro");
    EXPECT_EQ(elementText(ui_, login, L"txtpassword"), L"kestro123");
    EXPECT_TRUE(elementTicked(ui_, login, L"chksaveusername"));
    EXPECT_TRUE(elementTicked(ui_, login, L"chksavepassword"));
    saveScreenshot("login-remembered");
    PostMessageW(login, WM_CLOSE, 0, 0);
  });
}

// Enter in a box logs in like the button; Enter answers the message like its OK.
TEST_F(LoginWindow, WrongPasswordIsReportedAndTheKeyboardReturnsToThePassword) {
  runWith([&](HWND login) {
    typeInto(login, kUserNameBox, "kestro");
    typeInto(login, kPasswordBox, "wrong");
    enterLogin(login);
    answerMessageWithKey(ui_, login, L"用户名不存在或密码错误，请检查您的账户资料是否正确！", "Return",
                         "message-bad-credentials");
    EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(login) != FALSE; }, 5000));
    expectFormShown(login);
    expectKeyboardIn(login, kPasswordBox);
    saveScreenshot("login-after-bad-credentials");
    // The user corrects the password where the keyboard already is.
    ASSERT_TRUE(pressKey(login, "BackSpace BackSpace BackSpace BackSpace BackSpace"));
    ASSERT_TRUE(typeText(login, "kestro123"));
    if (!waitUntil([&] { return elementText(ui_, login, L"txtpassword") == L"kestro123"; }, 2000)) {
      // Keys lost on the way (the focus itself was checked above): type again.
      ui_.run([&] {
        htmlayout::dom::element(htmlayout::HTMLayoutGetRootElement(login)).find_by_id(L"txtpassword").set_text(L"");
        RedrawWindow(login, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      });
      typeInto(login, kPasswordBox, "kestro123");
    }
    enterLogin(login);
    EXPECT_TRUE(closes(login));
  });
  EXPECT_EQ(ClientState::instance().loggedIn, 1);
}

// Tab and Shift+Tab walk the boxes, check boxes and buttons in page order;
// Space ticks the check box Tab reached and Enter presses the login button.
TEST_F(LoginWindow, TabAndShiftTabWalkTheFormAndItsKeysPressWhatTheyReach) {
  runWith([&](HWND login) {
    const auto focusedId = [&] {
      std::wstring id;
      withPage(ui_, login, [&](const htmlayout::dom::element& root) { id = root.find_first(L":focus").get_attribute("id"); });
      return id;
    };
    // One press per step; pressed again only when the focus did not move at all.
    const auto step = [&](const std::string& keys, const wchar_t* to) {
      const std::wstring from = focusedId();
      for (int attempt = 0; attempt < 3; ++attempt) {
        if (!pressKey(login, keys)) return false;
        if (waitUntil([&] { return focusedId() != from; }, 3000)) break;
      }
      return focusedId() == to;
    };
    typeInto(login, kUserNameBox, "kestro");
    ASSERT_TRUE(step("Tab", L"txtpassword")) << toUtf8(focusedId());
    expectKeyboardIn(login, kPasswordBox);
    ASSERT_TRUE(typeText(login, "kestro123"));
    ASSERT_TRUE(waitUntil([&] { return elementText(ui_, login, L"txtpassword") == L"kestro123"; }, 3000));
    ASSERT_TRUE(step("Tab", L"chksaveusername")) << toUtf8(focusedId());
    EXPECT_EQ(focusedWindow(ui_), login) << "the keyboard left the box for the page";
    saveScreenshot("login-tab-on-check-box");
    ASSERT_TRUE(pressKeyUntil(login, "space", [&] { return elementTicked(ui_, login, L"chksaveusername"); }));
    ASSERT_TRUE(step("shift+Tab", L"txtpassword")) << toUtf8(focusedId());
    expectKeyboardIn(login, kPasswordBox);
    for (const wchar_t* next : {L"chksaveusername", L"chksavepassword", L"btnhomepage", L"btnlogin"}) {
      ASSERT_TRUE(step("Tab", next)) << toUtf8(focusedId());
    }
    EXPECT_FALSE(elementTicked(ui_, login, L"chksavepassword")) << "Tab only passed it";
    pressKeyUntil(login, "Return", [&] { return !IsWindow(login) || elementDisplay(ui_, login, L"btnlogin") == L"none"; });
    EXPECT_TRUE(closes(login)) << "Enter on 用户登录 did not log in";
  });
  EXPECT_EQ(ClientState::instance().loggedIn, 1);
  EXPECT_EQ(settingsDword(L"SaveUsername"), 1u);
  EXPECT_EQ(settingsDword(L"SavePassword"), 0u);
}

TEST_F(LoginWindow, FailedLoginChangesNoSetting) {
  runWith([&](HWND login) {
    typeInto(login, kUserNameBox, "zhangwei");
    typeInto(login, kPasswordBox, "nope");
    toggle(login, kSaveUserName, L"chksaveusername");  // ticked now
    toggle(login, kSavePassword, L"chksavepassword");
    pressLogin(login);
    answerMessage(login, L"用户名不存在或密码错误，请检查您的账户资料是否正确！");
    EXPECT_TRUE(clickUntil(login, kCloseButton.x, kCloseButton.y, [&] { return !IsWindow(login); }));
  });
  EXPECT_EQ(ClientState::instance().loggedIn, 0);
  EXPECT_EQ(settingsText(L"Username"), L"kestro");
  EXPECT_EQ(settingsDword(L"SavePassword"), 0u);
  EXPECT_EQ(settingsText(L"Password"), std::nullopt);
}

TEST_F(LoginWindow, EmptyUserNameIsAskedForFirst) {
  runWith([&](HWND login) {
    pressLogin(login);
    answerMessage(login, L"请输入用户帐号名称！", "message-empty-user-name");
    expectKeyboardIn(login, kUserNameBox);
    expectFormShown(login);
    PostMessageW(login, WM_CLOSE, 0, 0);
  });
}

TEST_F(LoginWindow, ClosingTheWindowUnderItsMessageEndsBoth) {
  HWND message = nullptr;
  runWith([&](HWND login) {
    pressLogin(login);
    message = waitForVisibleWindow(kMessageWindowClass, 20000);
    ASSERT_NE(message, nullptr);
    PostMessageW(login, WM_CLOSE, 0, 0);
    EXPECT_TRUE(closes(login));
  });
  // The loop ended with the login window, and its message went with it.
  EXPECT_FALSE(IsWindow(message));
  EXPECT_EQ(ClientState::instance().loggedIn, 0);
}

TEST_F(LoginWindow, EmptyPasswordIsAskedForAfterTheName) {
  runWith([&](HWND login) {
    typeInto(login, kUserNameBox, " ");
    pressLogin(login);
    answerMessage(login, L"请输入登录密码！");
    expectKeyboardIn(login, kPasswordBox);
    PostMessageW(login, WM_CLOSE, 0, 0);
  });
  // A blank is a user name like any other.
  EXPECT_EQ(ClientState::instance().userName(), L" ");
}

TEST_F(LoginWindow, StoppedServiceIsReportedAsAConnectionFailure) {
  ServiceUrlOverride stopped(stoppedServiceUrl());
  runWith([&](HWND login) {
    typeInto(login, kUserNameBox, "kestro");
    typeInto(login, kPasswordBox, "kestro123");
    pressLogin(login);
    answerMessage(login, L"服务器连接失败，请检查您的网络连接！", "message-connect-failed");
    expectFormShown(login);
    PostMessageW(login, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(ClientState::instance().loggedIn, 0);
}

TEST_F(LoginWindow, NewerVersionStartsThePatcherAndCloses) {
  // A folder of its own with the patcher in it is the program's folder.
  const ScratchFolder folder(L"kestro-ui-patcher");
  ASSERT_TRUE(CopyFileW(hostPath(KESTRO_BINARY_DIR "/tests/ui/ui_test_patcher.exe").c_str(),
                        (folder.path() + L"\\Patcher.exe").c_str(), FALSE));
  const std::wstring note = folder.path() + L"\\patcher-started.txt";
  const CurrentFolder current(folder.path());

  // The service takes its time, so the progress can be seen in place of the buttons.
  ServerScript slowReply = answer(200, R"({"newversion":true,"authed":false})");
  slowReply.insert(slowReply.begin() + 1, pause(4000));
  test::ScriptedServer service({slowReply});
  ServiceUrlOverride newer(service.url(L"/"));
  runWith([&](HWND login) {
    typeInto(login, kUserNameBox, "kestro");
    typeInto(login, kPasswordBox, "kestro123");
    pressLogin(login);
    EXPECT_TRUE(waitUntil([&] { return elementText(ui_, login, L"txtpgs") == L"正在登录"; }, 5000));
    EXPECT_EQ(elementDisplay(ui_, login, L"btnlogin"), L"none");
    EXPECT_EQ(elementDisplay(ui_, login, L"btnhomepage"), L"none");
    EXPECT_EQ(elementDisplay(ui_, login, L"pgslogin"), L"block");
    EXPECT_EQ(elementDisplay(ui_, login, L"txtpgs"), L"block");
    saveScreenshot("login-in-progress");
    EXPECT_TRUE(closes(login)) << "the window stayed open on a newer version";
  });
  EXPECT_EQ(ClientState::instance().loggedIn, 0);
  EXPECT_TRUE(waitUntil([&] { return GetFileAttributesW(note.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000))
      << "Patcher.exe was not started";
}

struct Opened {
  std::wstring verb;
  std::wstring file;
  int show;
};
std::vector<Opened> opened;

HINSTANCE recordOpen(HWND, const wchar_t* verb, const wchar_t* file, int show) {
  opened.push_back({verb ? verb : L"", file, show});
  return reinterpret_cast<HINSTANCE>(33);
}

TEST_F(LoginWindow, WebLinksOpenTheSitePagesAndMinimiseMinimises) {
  opened.clear();
  ScopedSeam shell(shellSeam(), ShellSeam{&recordOpen});
  bool minimised = false;
  runWith([&](HWND login) {
    size_t count = 0;
    const auto opens = [&](size_t n) {
      return [&, n] {
        ui_.run([&] { count = opened.size(); });
        return count >= n;
      };
    };
    ASSERT_TRUE(clickUntil(login, kRegisterLink.x, kRegisterLink.y, opens(1)));
    ASSERT_TRUE(clickUntil(login, kForgotPasswordLink.x, kForgotPasswordLink.y, opens(2)));
    ASSERT_TRUE(clickUntil(login, kHomePageButton.x, kHomePageButton.y, opens(3)));
    ASSERT_TRUE(clickAt(login, kMinimiseButton.x, kMinimiseButton.y));
    minimised = waitUntil([&] { return IsIconic(login) != FALSE; }, 5000);
    PostMessageW(login, WM_CLOSE, 0, 0);
  });
  EXPECT_TRUE(minimised);
  const std::wstring site = webSiteAddress();
  ASSERT_EQ(opened.size(), 3u);
  EXPECT_EQ(opened[0].file, site + L"/User/register.html");
  EXPECT_EQ(opened[1].file, site + L"/User/forgotpwd.html");
  EXPECT_EQ(opened[2].file, site);
  for (const Opened& o : opened) {
    EXPECT_EQ(o.verb, L"open");
    EXPECT_EQ(o.show, SW_SHOWNORMAL);
  }
}

}  // namespace
}  // namespace kestro
