#include "ui/login/login_window_win.h"

#include "app/client_state.h"
#include "app/deployment.h"
#include "app/settings_store_win.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "service/login_worker.h"
#include "service/progress_post_win.h"
#include "ui/host/shell_open_win.h"

namespace kestro {

namespace {

enum Element : size_t {
  BtnMin,
  BtnClose,
  TxtUserName,
  TxtPassword,
  LinkRegister,
  LinkGetPassword,
  ChkSaveUserName,
  ChkSavePassword,
  BtnHomePage,
  BtnLogin,
  PgsLogin,
  TxtPgs,
};
constexpr std::wstring_view kIds[] = {L"btnmin",          L"btnclose",        L"txtusername", L"txtpassword",
                                      L"linkregister",    L"linkgetpassword", L"chksaveusername",
                                      L"chksavepassword", L"btnhomepage",     L"btnlogin",    L"pgslogin",
                                      L"txtpgs"};

constexpr WindowSpec kSpec = {kLoginWindowClass, CS_HREDRAW | CS_VREDRAW, 0, 357, 270, L"LOGIN",
                              L"泓迈网游加速器", SW_SHOW};

constexpr wchar_t kEnterUserName[] = L"请输入用户帐号名称！";
constexpr wchar_t kEnterPassword[] = L"请输入登录密码！";
constexpr wchar_t kConnectFailed[] = L"服务器连接失败，请检查您的网络连接！";
constexpr wchar_t kBadCredentials[] = L"用户名不存在或密码错误，请检查您的账户资料是否正确！";

// The upgrade program beside Kestro.exe: the current directory is the program's folder.
std::wstring patcherPath() {
  wchar_t folder[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH) return L"Patcher.exe";
  std::wstring path(folder, length);
  if (path.back() != L'\\') path += L'\\';
  return path + L"Patcher.exe";
}

}  // namespace

CLoginWindow::CLoginWindow() : HtmlWindow(kSpec, htmlayout::HANDLE_BEHAVIOR_EVENT | htmlayout::HANDLE_KEY) {}

std::span<const std::wstring_view> CLoginWindow::elementIds() const { return kIds; }

void CLoginWindow::created() { WindowHandles::instance().loginWindow = window(); }

void CLoginWindow::destroying() {
  // A worker still running posts into nothing rather than to a reused handle.
  WindowHandle self = window();
  WindowHandles::instance().loginWindow.compare_exchange_strong(self, nullptr);
}

std::wstring CLoginWindow::textOf(size_t index) const { return element(index).text(); }

bool CLoginWindow::isTicked(size_t index) const {
  return element(index).get_value() == htmlayout::value::make_bool(true);
}

void CLoginWindow::setTicked(size_t index, bool ticked) {
  htmlayout::dom::element box = element(index);
  box.set_value(htmlayout::value::make_bool(ticked));
}

void CLoginWindow::initialise() {
  loadRememberedFields();
  showForm(true);
}

void CLoginWindow::loadRememberedFields() {
  const LoginFormSettings form = loadLoginSettings();
  if (form.userName) {
    htmlayout::dom::element box = element(TxtUserName);
    box.set_text(*form.userName);
  }
  if (form.saveUserName) setTicked(ChkSaveUserName, *form.saveUserName);
  if (form.password) {
    htmlayout::dom::element box = element(TxtPassword);
    box.set_text(*form.password);
  }
  if (form.savePassword) setTicked(ChkSavePassword, *form.savePassword);
}

void CLoginWindow::saveRememberedFields() {
  saveLoginSettings(isTicked(ChkSaveUserName), textOf(TxtUserName), isTicked(ChkSavePassword), textOf(TxtPassword));
}

// Either the two buttons or the login progress, in the same place.
void CLoginWindow::showForm(bool form) {
  formShown_ = form;
  setDisplay(BtnLogin, form ? L"inline" : L"none");
  setDisplay(BtnHomePage, form ? L"inline" : L"none");
  setDisplay(PgsLogin, form ? L"none" : L"block");
  setDisplay(TxtPgs, form ? L"none" : L"block");
}

bool CLoginWindow::on_event(htmlayout::HELEMENT, htmlayout::HELEMENT target, htmlayout::BEHAVIOR_EVENTS type,
                            uintptr_t) {
  if (type != htmlayout::BUTTON_CLICK && type != htmlayout::HYPERLINK_CLICK) return false;
  switch (boundIndex(target)) {
    case BtnClose: PostMessageW(window(), WM_CLOSE, 0, 0); return true;
    case BtnMin: ShowWindow(window(), SW_MINIMIZE); return true;
    case LinkRegister: shellOpen(window(), L"open", webSiteAddress() + L"/User/register.html"); return true;
    case LinkGetPassword: shellOpen(window(), L"open", webSiteAddress() + L"/User/forgotpwd.html"); return true;
    case BtnHomePage: shellOpen(window(), L"open", webSiteAddress()); return true;
    case BtnLogin: logIn(); return true;
    default: return false;
  }
}

// Enter in either box logs in as the login button does, while the form shows.
bool CLoginWindow::handle_key(htmlayout::HELEMENT, htmlayout::KEY_PARAMS& params) {
  if (params.cmd != htmlayout::KEY_DOWN || params.key_code != VK_RETURN) return false;
  const size_t box = boundIndex(params.target);
  if (box != TxtUserName && box != TxtPassword) return false;
  if (formShown_) logIn();
  return true;
}

void CLoginWindow::logIn() {
  ClientState& state = ClientState::instance();
  const std::wstring userName = textOf(TxtUserName);
  if (userName.empty()) {
    if (!showOwnedMessage(kEnterUserName)) return;
    focusElement(TxtUserName);
    return;
  }
  state.setUserName(userName);
  const std::wstring password = textOf(TxtPassword);
  if (password.empty()) {
    if (!showOwnedMessage(kEnterPassword)) return;
    focusElement(TxtPassword);
    return;
  }
  state.setPassword(password);

  // The progress of an earlier attempt does not show while this one starts.
  htmlayout::dom::element bar = element(PgsLogin);
  bar.set_attribute("value", L"0");
  htmlayout::dom::element line = element(TxtPgs);
  line.set_text(L"");
  showForm(false);
  startLoginWorker();
}

void CLoginWindow::onWindowMessage(UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_LOGIN_PROGRESS: {
      const auto progress = adoptProgress(lParam);
      if (progress == nullptr) return;
      if (!progress->text.empty()) {
        htmlayout::dom::element line = element(TxtPgs);
        line.set_text(progress->text);
      }
      htmlayout::dom::element bar = element(PgsLogin);
      bar.set_attribute("value", std::to_wstring(progress->percent));
      return;
    }
    case WM_LOGIN_CONNECT_FAILED:
      showForm(true);
      showOwnedMessage(kConnectFailed);
      return;
    case WM_LOGIN_BAD_CREDENTIALS:
      showForm(true);
      if (!showOwnedMessage(kBadCredentials)) return;
      focusElement(TxtPassword);
      return;
    case WM_LOGIN_NEW_VERSION:
      // Whatever the outcome: the window closes and the upgrade takes over.
      shellOpen(window(), nullptr, patcherPath());
      PostMessageW(window(), WM_CLOSE, 0, 0);
      return;
    case WM_LOGIN_SUCCEEDED:
      saveRememberedFields();
      ClientState::instance().loggedIn = 1;
      PostMessageW(window(), WM_CLOSE, 0, 0);
      return;
    default:
      return;
  }
}

void runLoginWindow(HINSTANCE instance) {
  auto* login = new CLoginWindow();
  // Freed by its own WM_DESTROY once it exists.
  if (!login->create(instance)) {
    delete login;
    return;
  }
  runMessageLoop();
}

}  // namespace kestro
