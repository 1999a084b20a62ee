// Against the real reference service process that scripts/test starts (its
// address comes in KESTRO_SERVICE_URL; see standins/reference_service).
#include <gtest/gtest.h>

#include "app/client_state.h"
#include "app/deployment.h"
#include "app/window_messages.h"
#include "base/text_convert.h"
#include "service/announcements_worker.h"
#include "service/game_list_worker.h"
#include "service/login_worker.h"
#include "service/service_exchange.h"
#include "tests/service/worker_harness_win.h"

namespace kestro {
namespace {

using namespace kestro::test;

const std::vector<UINT> kLoginFinals = {WM_LOGIN_NEW_VERSION, WM_LOGIN_CONNECT_FAILED, WM_LOGIN_BAD_CREDENTIALS,
                                        WM_LOGIN_SUCCEEDED};

UINT logIn(const std::wstring& userName, const std::wstring& password) {
  ClientState::instance().setUserName(userName);
  ClientState::instance().setPassword(password);
  return runWorker(runLoginWorker, ReportTo::LoginWindow, kLoginFinals).messages.back();
}

class ReferenceService : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(exchangeWithService(L"%sannounce.php", HttpMethod::Get, {}, ReplyShape::Array).ok())
        << "no reference service at " << toUtf8(serviceBaseUrl())
        << "; scripts/test starts one (start_services in scripts/lib/common.sh) and sets KESTRO_SERVICE_URL";
  }
};

TEST_F(ReferenceService, DemoAccountLogsInWithItsFields) {
  ASSERT_EQ(logIn(L"kestro", L"kestro123"), WM_LOGIN_SUCCEEDED);
  const ClientState& state = ClientState::instance();
  EXPECT_EQ(state.accountType(), 8);
  EXPECT_EQ(state.expireDate(), L"2027-06-30");
  EXPECT_EQ(state.leaveDays(), 204);
  EXPECT_EQ(state.ipAddress(), L"127.0.0.1");
  EXPECT_EQ(state.ipName(), L"本机回环地址（演示账户）");
  EXPECT_EQ(state.accountStatus(), 3);
}

TEST_F(ReferenceService, PasswordWithFormCharactersLogsIn) {
  EXPECT_EQ(logIn(L"符号用户", L"p&ss=w0rd 中+%"), WM_LOGIN_SUCCEEDED);
  EXPECT_EQ(logIn(L"符号用户", L"p"), WM_LOGIN_BAD_CREDENTIALS);
}

TEST_F(ReferenceService, WrongPasswordIsRejected) { EXPECT_EQ(logIn(L"kestro", L"wrong"), WM_LOGIN_BAD_CREDENTIALS); }

TEST_F(ReferenceService, OlderClientIsSentToTheUpgrade) {
  const ServiceReply reply = exchangeWithService(L"%slogin.php", HttpMethod::Post,
                                                 loginForm(L"kestro", L"kestro123", 3000, "X"), ReplyShape::Object);
  ASSERT_TRUE(reply.ok());
  EXPECT_TRUE(reply.object().boolean("newversion"));
}

TEST_F(ReferenceService, GamesFollowTheAccountType) {
  ClientState::instance().setAccountType(4);
  ASSERT_EQ(runWorker(runGameListWorker, ReportTo::MainWindow, {WM_GAME_FETCH_FAILED, WM_GAME_LIST_READY}).messages.back(),
            static_cast<UINT>(WM_GAME_LIST_READY));
  const auto domestic = ClientState::instance().games();
  ClientState::instance().setAccountType(8);
  runWorker(runGameListWorker, ReportTo::MainWindow, {WM_GAME_FETCH_FAILED, WM_GAME_LIST_READY});
  const auto all = ClientState::instance().games();
  EXPECT_GE(all.size(), 30u);
  EXPECT_LT(domestic.size(), all.size());
  for (const auto& [id, game] : domestic) EXPECT_EQ(game.portId, 4) << id;
}

TEST_F(ReferenceService, AnnouncementsInAscendingId) {
  ASSERT_EQ(runWorker(runAnnouncementsWorker, ReportTo::MainWindow, {WM_ANNOUNCE_FAILED, WM_ANNOUNCE_READY}).messages,
            std::vector<UINT>{WM_ANNOUNCE_READY});
  const auto announcements = ClientState::instance().announcements();
  EXPECT_GE(announcements.size(), 5u);
  EXPECT_FALSE(announcements.begin()->second.empty());
}

TEST_F(ReferenceService, AccelerationRequestClasses) {
  ServiceReply expired = exchangeWithService(
      L"%sacc.php", HttpMethod::Post, {{"username", L"expired_wang"}, {"nodeid", 101}, {"gameid", 1001}, {"voiceid", 0}},
      ReplyShape::Object);
  expired.applyErrorMember();
  EXPECT_EQ(expired.failure(), ServiceFailure::Refused);
  EXPECT_FALSE(expired.message().empty());

  ServiceReply granted = exchangeWithService(
      L"%sacc.php", HttpMethod::Post, {{"username", L"kestro"}, {"nodeid", 101}, {"gameid", 1001}, {"voiceid", 1}},
      ReplyShape::Object);
  granted.applyErrorMember();
  ASSERT_EQ(granted.failure(), ServiceFailure::None);
  EXPECT_EQ(granted.object().text("nodeip"), L"127.0.0.11");
  EXPECT_GE(granted.object().objects("routeip").size(), 2u);
  EXPECT_FALSE(granted.object().text("servertime").empty());
  EXPECT_TRUE(granted.ok());

  const ServiceReply missing = exchangeWithService(L"%smissing.php", HttpMethod::Get, {}, ReplyShape::Array);
  EXPECT_EQ(missing.failure(), ServiceFailure::Connect);
  EXPECT_EQ(missing.cause(), HttpFailure::RefusedStatus);
}

}  // namespace
}  // namespace kestro
