#include "service/login_worker.h"

#include <gtest/gtest.h>

#include "app/client_state.h"
#include "app/window_messages.h"
#include "service/machine_identifier.h"
#include "tests/support/scripted_server_win.h"
#include "tests/service/worker_harness_win.h"

namespace kestro {
namespace {

using namespace kestro::test;

const std::vector<UINT> kLoginFinals = {WM_LOGIN_NEW_VERSION, WM_LOGIN_CONNECT_FAILED, WM_LOGIN_BAD_CREDENTIALS,
                                        WM_LOGIN_SUCCEEDED};

const std::vector<std::wstring> kAllSteps = {L"0 正在登录", L"25 正在验证客户端版本", L"50 正在验证用户密码",
                                             L"75 正在设置账户属性", L"100 正在完成登录"};

std::vector<std::wstring> firstSteps(size_t count) { return {kAllSteps.begin(), kAllSteps.begin() + count}; }

// The account fields as a failed attempt must leave them.
void setKnownAccount() {
  ClientState& state = ClientState::instance();
  state.setUserName(L"kestro");
  state.setPassword(L"kestro123");
  state.setAccountType(1);
  state.setExpireDate(L"before");
  state.setLeaveDays(1);
  state.setIpAddress(L"before");
  state.setIpName(L"before");
  state.setAccountStatus(1);
  state.setMachineGuid("not computed");
}

bool accountUnchanged() {
  const ClientState& state = ClientState::instance();
  return state.accountType() == 1 && state.expireDate() == L"before" && state.leaveDays() == 1 &&
         state.ipAddress() == L"before" && state.ipName() == L"before" && state.accountStatus() == 1;
}

WorkerRun loginAgainst(const std::vector<ServerScript>& scripts) {
  ScriptedServer server(scripts);
  ServiceUrlOverride url(server.url(L"/"));
  return runWorker(runLoginWorker, ReportTo::LoginWindow, kLoginFinals);
}

struct Case {
  const char* name;
  ServerScript script;
  UINT final;
  size_t steps;
};

class LoginReplies : public testing::TestWithParam<Case> {};

TEST_P(LoginReplies, ProgressThenExactlyOneFinalMessage) {
  const Case& c = GetParam();
  setKnownAccount();
  const WorkerRun run = loginAgainst({c.script});
  std::vector<UINT> expected(c.steps, WM_LOGIN_PROGRESS);
  expected.push_back(c.final);
  EXPECT_EQ(run.messages, expected);
  EXPECT_EQ(run.progress, firstSteps(c.steps));
  // The identifier is computed (and kept) whatever the outcome.
  EXPECT_EQ(ClientState::instance().machineGuid(), computeMachineIdentifier());
  if (c.final != WM_LOGIN_SUCCEEDED) {
    EXPECT_TRUE(accountUnchanged());
  }
}

INSTANTIATE_TEST_SUITE_P(
    LoginWorker, LoginReplies,
    testing::Values(
        Case{"NewVersionBeforeCredentials", answer(200, R"({"newversion":true,"authed":false})"), WM_LOGIN_NEW_VERSION, 2},
        Case{"Rejected", answer(200, R"({"newversion":false,"authed":false})"), WM_LOGIN_BAD_CREDENTIALS, 3},
        Case{"AuthedMissing", answer(200, R"({"newversion":false})"), WM_LOGIN_BAD_CREDENTIALS, 3},
        Case{"NotFound", answer(404, "no such page"), WM_LOGIN_CONNECT_FAILED, 1},
        Case{"OtherStatus", answer(204, ""), WM_LOGIN_CONNECT_FAILED, 1},
        Case{"NotJson", answer(200, "<html>maintenance</html>"), WM_LOGIN_CONNECT_FAILED, 1},
        Case{"EmptyBody", answer(200, ""), WM_LOGIN_CONNECT_FAILED, 1},
        Case{"ArrayRoot", answer(200, "[]"), WM_LOGIN_CONNECT_FAILED, 1},
        Case{"AuthedWrongType", answer(200, R"({"authed":"yes"})"), WM_LOGIN_CONNECT_FAILED, 3},
        Case{"AccountMemberWrongType", answer(200, R"({"authed":true,"leavedays":"30"})"), WM_LOGIN_CONNECT_FAILED, 4},
        Case{"ClosedWithoutAnswer", {readRequest(), closeNow()}, WM_LOGIN_CONNECT_FAILED, 1},
        Case{"AccountMembersMissing", answer(200, R"({"authed":true})"), WM_LOGIN_SUCCEEDED, 5}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(LoginWorker, SuccessStoresTheAccount) {
  setKnownAccount();
  const WorkerRun run = loginAgainst({answer(
      200, R"({"newversion":false,"authed":true,"accounttype":4,"expiredate":"2027-03-15","leavedays":97,)"
           R"("ipaddress":"127.0.0.1","ipname":"上海市 电信","accountstatus":2})")});
  EXPECT_EQ(run.messages.back(), WM_LOGIN_SUCCEEDED);
  EXPECT_EQ(run.progress, kAllSteps);
  const ClientState& state = ClientState::instance();
  EXPECT_EQ(state.accountType(), 4);
  EXPECT_EQ(state.expireDate(), L"2027-03-15");
  EXPECT_EQ(state.leaveDays(), 97);
  EXPECT_EQ(state.ipAddress(), L"127.0.0.1");
  EXPECT_EQ(state.ipName(), L"上海市 电信");
  EXPECT_EQ(state.accountStatus(), 2);
}

TEST(LoginWorker, MissingAccountMembersAreStoredAsZeroAndEmpty) {
  setKnownAccount();
  loginAgainst({answer(200, R"({"authed":true})")});
  const ClientState& state = ClientState::instance();
  EXPECT_EQ(state.accountType(), 0);
  EXPECT_EQ(state.expireDate(), L"");
  EXPECT_EQ(state.leaveDays(), 0);
  EXPECT_EQ(state.ipName(), L"");
}

TEST(LoginWorker, NobodyListeningIsAConnectionFailure) {
  setKnownAccount();
  uint16_t freePort;
  {
    ScriptedServer probe({});
    freePort = probe.port();
  }
  ServiceUrlOverride url(L"http://127.0.0.1:" + std::to_wstring(freePort) + L"/");
  const WorkerRun run = runWorker(runLoginWorker, ReportTo::LoginWindow, kLoginFinals);
  EXPECT_EQ(run.messages, (std::vector<UINT>{WM_LOGIN_PROGRESS, WM_LOGIN_CONNECT_FAILED}));
  EXPECT_TRUE(accountUnchanged());
}

TEST(LoginWorker, ExactRequestBytes) {
  setKnownAccount();
  ScriptedServer server({answer(200, R"({"authed":false})")});
  {
    ServiceUrlOverride url(server.url(L"/"));
    runWorker(runLoginWorker, ReportTo::LoginWindow, kLoginFinals);
  }
  const std::string form =
      "username=kestro&password=kestro123&clientver=3001&machineguid=" + ClientState::instance().machineGuid();
  EXPECT_EQ(server.received().at(0),
            "POST /login.php HTTP/1.1\r\n"
            "Content-Length: " + std::to_string(form.size()) + "\r\n"
            "Content-Type: application/x-www-form-urlencoded\r\n"
            "Host: 127.0.0.1\r\n"
            "User-Agent: Microsoft-ATL-Native/10.00\r\n"
            "\r\n" + form);
}

TEST(LoginWorker, PasswordWithFormCharactersIsEncoded) {
  setKnownAccount();
  ClientState::instance().setUserName(L"玩家");
  ClientState::instance().setPassword(L"a&b=c");
  ScriptedServer server({answer(200, R"({"authed":false})")});
  {
    ServiceUrlOverride url(server.url(L"/"));
    runWorker(runLoginWorker, ReportTo::LoginWindow, kLoginFinals);
  }
  EXPECT_NE(server.received().at(0).find("\r\n\r\nusername=%E7%8E%A9%E5%AE%B6&password=a%26b%3Dc&clientver=3001&"),
            std::string::npos);
}

// Replies of shapes the service's PHP writes and jsoncpp's reader took: each
// logs in, end to end through the loopback service.
TEST(LoginWorkerLenientReplies, ACommentedReplyLogsIn) {
  setKnownAccount();
  const WorkerRun run = loginAgainst({answer(
      200, "/* login.php */\n{\"newversion\":false, // client 3001\n\"authed\":true,\"accounttype\":/*vip*/8}")});
  EXPECT_EQ(run.messages.back(), WM_LOGIN_SUCCEEDED);
  EXPECT_EQ(run.progress, kAllSteps);
  EXPECT_EQ(ClientState::instance().accountType(), 8);
}

TEST(LoginWorkerLenientReplies, APhpNoticeAfterTheReplyLogsIn) {
  setKnownAccount();
  const WorkerRun run = loginAgainst({answer(
      200, "{\"authed\":true,\"leavedays\":30}\n<br />\n<b>Notice</b>:  Undefined variable: ipname in "
           "<b>/var/www/login.php</b> on line <b>42</b><br />\n")});
  EXPECT_EQ(run.messages.back(), WM_LOGIN_SUCCEEDED);
  EXPECT_EQ(ClientState::instance().leaveDays(), 30);
}

TEST(LoginWorkerLenientReplies, AGbkPlaceNameLogsInWithReplacementCharacters) {
  setKnownAccount();
  // "电信" written in GBK: four bytes that are not UTF-8, in one member only.
  const WorkerRun run = loginAgainst(
      {answer(200, "{\"authed\":true,\"ipname\":\"\xB5\xE7\xD0\xC5\",\"expiredate\":\"2027-03-15\"}")});
  EXPECT_EQ(run.messages.back(), WM_LOGIN_SUCCEEDED);
  EXPECT_EQ(ClientState::instance().ipName(), L"\uFFFD\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(ClientState::instance().expireDate(), L"2027-03-15");
}

}  // namespace
}  // namespace kestro
