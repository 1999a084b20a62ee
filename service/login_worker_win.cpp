#include "service/login_worker.h"

#include "app/client_state.h"
#include "app/deployment.h"
#include "app/window_messages.h"
#include "base/detached_worker.h"
#include "service/machine_identifier.h"
#include "service/progress_post_win.h"
#include "service/window_post_win.h"

namespace kestro {
namespace {

void report(UINT message) { postToWindow(WindowHandles::instance().loginWindow, message); }

void progress(int32_t percent, const wchar_t* text) {
  postProgress(WindowHandles::instance().loginWindow, WM_LOGIN_PROGRESS, percent, text);
}

// The account as the reply states it, stored only once all of it was read.
struct AccountFields {
  int32_t accountType = 0;
  std::wstring expireDate;
  int32_t leaveDays = 0;
  std::wstring ipAddress;
  std::wstring ipName;
  int32_t accountStatus = 0;
};

void attemptLogin() {
  ClientState& state = ClientState::instance();
  progress(0, L"正在登录");

  const std::string machineGuid = computeMachineIdentifier();
  state.setMachineGuid(machineGuid);

  ServiceReply reply = exchangeWithService(
      L"%slogin.php", HttpMethod::Post, loginForm(state.userName(), state.password(), clientVersion(), machineGuid),
      ReplyShape::Object);
  if (!reply.ok()) return report(WM_LOGIN_CONNECT_FAILED);
  const JsonObjectReader json = reply.object();

  progress(25, L"正在验证客户端版本");
  const bool newVersion = json.boolean("newversion");
  if (!reply.ok()) return report(WM_LOGIN_CONNECT_FAILED);
  if (newVersion) return report(WM_LOGIN_NEW_VERSION);

  progress(50, L"正在验证用户密码");
  const bool authed = json.boolean("authed");
  if (!reply.ok()) return report(WM_LOGIN_CONNECT_FAILED);
  if (!authed) return report(WM_LOGIN_BAD_CREDENTIALS);

  progress(75, L"正在设置账户属性");
  AccountFields account;
  account.accountType = json.integer("accounttype");
  account.expireDate = json.text("expiredate");
  account.leaveDays = json.integer("leavedays");
  account.ipAddress = json.text("ipaddress");
  account.ipName = json.text("ipname");
  account.accountStatus = json.integer("accountstatus");
  // A member of the wrong type is a reply that failed to parse: nothing is stored.
  if (!reply.ok()) return report(WM_LOGIN_CONNECT_FAILED);
  state.setAccountType(account.accountType);
  state.setExpireDate(account.expireDate);
  state.setLeaveDays(account.leaveDays);
  state.setIpAddress(account.ipAddress);
  state.setIpName(account.ipName);
  state.setAccountStatus(account.accountStatus);

  progress(100, L"正在完成登录");
  report(WM_LOGIN_SUCCEEDED);
}

}  // namespace

void runLoginWorker() {
  reportingExhaustion(attemptLogin, [] { report(WM_LOGIN_CONNECT_FAILED); });
}

void startLoginWorker() { startDetachedWorker(runLoginWorker); }

}  // namespace kestro
