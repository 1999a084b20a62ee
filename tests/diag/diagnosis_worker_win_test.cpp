#include "diag/diagnosis_worker_win.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/deployment.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/text_convert.h"
#include "diag/diagnosis_checks.h"
#include "diag/host_resolver_win.h"
#include "tests/diag/scripted_scans_win.h"
#include "tests/nodes/scripted_icmp_win.h"
#include "tests/support/message_recorder_win.h"
#include "tests/support/scoped_seam.h"

namespace kestro {
namespace {

using test::baseCatalogue;
using test::catalogueEntry;
using test::ScriptedCatalogue;
using test::ScriptedEcho;
using test::ScriptedIcmp;
using test::ScriptedProcesses;

// One report as the page saw it when it arrived: "status|title|detail".
std::wstring step(DiagStatus status, const wchar_t* title, const std::wstring& detail = L"") {
  return std::to_wstring(static_cast<int>(status)) + L"|" + title + L"|" + detail;
}

// The twelve reports of a run whose checks end with these verdicts.
std::vector<std::wstring> reports(const std::vector<std::pair<DiagStatus, std::wstring>>& verdicts) {
  const wchar_t* titles[] = {kSinaCheck.title,           kBaiduCheck.title,         kTrafficProgramsCheck.title,
                             kForeignProvidersCheck.title, kDriverFirewallCheck.title, kDialupClientsCheck.title};
  std::vector<std::wstring> out;
  for (size_t check = 0; check < 6; ++check) {
    out.push_back(step(DiagStatus::running, titles[check]));
    out.push_back(step(verdicts[check].first, titles[check], verdicts[check].second));
  }
  return out;
}

const std::pair<DiagStatus, std::wstring> kPassed{DiagStatus::ok, L""};

class DiagnosisWorker : public ::testing::Test {
 protected:
  void TearDown() override { WindowHandles::instance().mainWindow = nullptr; }

  struct Outcome {
    std::vector<std::wstring> steps;
    std::vector<LPARAM> scores;
    bool allWParamsZero = true;
    int closedAtScore = -1;  // ICMP handles closed when the score arrived
  };

  // Runs the worker on its own thread, reporting to a recorder window of this
  // thread, until its score arrives; every report is copied at receipt.
  Outcome run(const ScriptedIcmp* icmp) {
    Outcome outcome;
    test::MessageRecorder recorder([&](UINT message, WPARAM wParam, LPARAM lParam) -> std::wstring {
      outcome.allWParamsZero = outcome.allWParamsZero && wParam == 0;
      if (message == WM_DIAG_STEP) {
        const auto& record = *reinterpret_cast<const DiagStepRecord*>(lParam);
        outcome.steps.push_back(step(record.status, record.title.c_str(), record.detail));
      } else if (message == WM_DIAG_DONE) {
        outcome.scores.push_back(lParam);
        if (icmp != nullptr) outcome.closedAtScore = icmp->closed();
      }
      return L"";
    });
    WindowHandles::instance().mainWindow = recorder.window();
    std::thread worker(runDiagnosisWorker);
    EXPECT_TRUE(recorder.pumpUntilMessage(WM_DIAG_DONE, 240000));
    worker.join();
    return outcome;
  }
};

TEST_F(DiagnosisWorker, ACleanMachineScoresOneHundredAndTheEchoHandleClosesAfterTheScore) {
  ScriptedIcmp icmp;
  icmp.script("127.0.0.1", {ScriptedEcho::reply(80)});
  ScriptedProcesses processes({L"[System Process]", L"explorer.exe", L"svchost.exe"});
  ScriptedCatalogue catalogue(baseCatalogue());

  const Outcome outcome = run(&icmp);
  EXPECT_EQ(outcome.steps, reports({kPassed, kPassed, kPassed, kPassed, kPassed, kPassed}));
  EXPECT_EQ(outcome.scores, std::vector<LPARAM>{100});
  EXPECT_TRUE(outcome.allWParamsZero);
  EXPECT_EQ(icmp.opened(), 1);
  EXPECT_EQ(outcome.closedAtScore, 0);
  EXPECT_EQ(icmp.closed(), 1);
  // Both development probe hosts are loopback: 100 echoes each, one after another.
  const std::vector<test::EchoCall> calls = icmp.calls();
  ASSERT_EQ(calls.size(), 200u);
  for (const test::EchoCall& call : calls) {
    EXPECT_EQ(call.destination, inet_addr("127.0.0.1"));
    EXPECT_EQ(call.payload, std::string("Data Buffer", 12));
    EXPECT_EQ(call.timeoutMs, 1000u);
  }
}

TEST_F(DiagnosisWorker, ANameThatDoesNotResolveGivesTheDnsTextAndSendsNoEchoThere) {
  struct Resolver {
    static hostent* WSAAPI onlyNumeric(const char* name) {
      if (toAnsi(probeHostSina()) == name) return nullptr;
      return HostResolverFunctions{}.getHostByName(name);
    }
  };
  ASSERT_NE(probeHostSina(), probeHostBaidu());
  ASSERT_EQ(probeHostBaidu(), L"127.0.0.1");  // numeric: no lookup at all
  test::ScopedSeam resolver(hostResolverFunctions());
  resolver->getHostByName = &Resolver::onlyNumeric;
  ScriptedIcmp icmp;
  icmp.script("127.0.0.1", {ScriptedEcho::reply(5)});
  ScriptedProcesses processes({L"explorer.exe"});
  ScriptedCatalogue catalogue(baseCatalogue());

  const Outcome outcome = run(&icmp);
  EXPECT_EQ(outcome.steps,
            reports({{DiagStatus::error, L"无法对新浪网域名进行解析，请检查您的DNS设置以及DNS服务器是否正常"},
                     kPassed, kPassed, kPassed, kPassed, kPassed}));
  EXPECT_EQ(outcome.scores, std::vector<LPARAM>{80});
  EXPECT_EQ(icmp.calls().size(), 100u);
}

TEST_F(DiagnosisWorker, LostEchoesShowTheirShareAndCostPoints) {
  ScriptedIcmp icmp;
  // Check 1: three time-outs and 97 replies of 120 ms; check 2: 100 replies of 120 ms.
  std::vector<ScriptedEcho> echoes(3, ScriptedEcho::timeOut());
  echoes.push_back(ScriptedEcho::reply(120));
  icmp.script("127.0.0.1", echoes);
  ScriptedProcesses processes({L"explorer.exe"});
  ScriptedCatalogue catalogue(baseCatalogue());

  const std::wstring advice =
      L"，已经超过大部分网络平均水平，如果您是通过路由器多人公用网络，请重启路由器后重试，如依然如此，请联系您的网络供应商";
  const Outcome outcome = run(&icmp);
  EXPECT_EQ(outcome.steps,
            reports({{DiagStatus::warn, L"连接到新浪网的服务器网络平均延时为120.0毫秒，丢包率为3.00%" + advice},
                     {DiagStatus::warn, L"连接到百度的服务器网络平均延时为120.0毫秒，丢包率为0.00%" + advice},
                     kPassed, kPassed, kPassed, kPassed}));
  // 120 ms is worth 13 points; three lost requests keep 0.4 of them.
  EXPECT_EQ(outcome.scores, std::vector<LPARAM>{5 + 13 + 60});
}

TEST_F(DiagnosisWorker, AnEchoHandleThatCannotBeOpenedFailsBothWebSiteChecks) {
  ScriptedIcmp icmp;
  icmp.failOpen();
  ScriptedProcesses processes({L"explorer.exe"});
  ScriptedCatalogue catalogue(baseCatalogue());

  const Outcome outcome = run(&icmp);
  EXPECT_EQ(outcome.steps, reports({{DiagStatus::error, L"连接新浪网服务器遇到异常错误，请查看后续的LSP劫持检查"},
                                    {DiagStatus::error, L"连接百度服务器遇到异常错误，请查看后续的LSP劫持检查"},
                                    kPassed, kPassed, kPassed, kPassed}));
  EXPECT_EQ(outcome.scores, std::vector<LPARAM>{60});
  EXPECT_EQ(icmp.closed(), 0);
}

TEST_F(DiagnosisWorker, ListsTheProgramsProvidersAndClientsItFound) {
  ScriptedIcmp icmp;
  icmp.script("127.0.0.1", {ScriptedEcho::reply(1)});
  ScriptedProcesses processes({L"Thunder.EXE", L"kugou.exe", L"kugou.exe", L"drvANTI.exe", L"8021x.exe"});
  std::vector<WSAPROTOCOL_INFOW> entries = baseCatalogue();
  for (int i = 0; i < 3; ++i) entries.push_back(catalogueEntry(L"{3C2D9F4B-6A1E-4C8B-9F10-0D1E2F3A4B5C}", L"Speedy LSP"));
  ScriptedCatalogue catalogue(entries);

  const Outcome outcome = run(&icmp);
  EXPECT_EQ(outcome.steps,
            reports({kPassed, kPassed,
                     {DiagStatus::error,
                      L"检测到下列占用网络流量的程序正在运行中：\r\n迅雷\tthunder.exe\r\n酷狗音乐2011\tkugou.exe\r\n"
                      L"酷狗音乐2011\tkugou.exe\r\n请彻底退出这些应用程序才能获得最佳的游戏加速效果"},
                     {DiagStatus::error,
                      L"检测到下列LSP劫持：\r\nSpeedy LSP\r\nSpeedy LSP\r\nSpeedy LSP\r\n请立即使用LSP修复工具修复"},
                     {DiagStatus::error,
                      L"检测到驱动防火墙运行中，请确认已将Kestro.sys泓迈网游加速器虚拟网卡驱动文件列入驱动防火墙白名单"},
                     {DiagStatus::error,
                      L"检测到第三方拨号客户端运行中：\r\n锐捷拨号客户端\t8021x.exe\r\n"
                      L"请确认使用的为允许多网卡通讯的拨号客户端版本，否则泓迈网游加速器虚拟网卡将被该拨号客户端禁止通讯"}}));
  EXPECT_EQ(outcome.scores, std::vector<LPARAM>{40});
  EXPECT_TRUE(catalogue.deinstalled().empty());  // the diagnosis only looks
}

TEST_F(DiagnosisWorker, ScansThatFailAskForAdministratorRights) {
  ScriptedIcmp icmp;
  icmp.script("127.0.0.1", {ScriptedEcho::reply(1)});
  ScriptedProcesses processes({L"thunder.exe"});
  processes.failSnapshot();
  ScriptedCatalogue catalogue(baseCatalogue());
  catalogue.failSizeQuery(WSAEACCES);

  const Outcome outcome = run(&icmp);
  EXPECT_EQ(outcome.steps,
            reports({kPassed, kPassed,
                     {DiagStatus::warn, L"检查后台进程失败，请确认您具有计算机管理员权限"},
                     {DiagStatus::warn, L"检查LSP网络劫持失败，请确认您具有计算机管理员权限"},
                     {DiagStatus::warn, L"检查驱动防火墙失败，请确认您具有计算机管理员权限"},
                     {DiagStatus::warn, L"检查第三方拨号客户端失败，请确认您具有计算机管理员权限"}}));
  EXPECT_EQ(outcome.scores, std::vector<LPARAM>{40});
}

// Nothing scripted: the real resolver ("localhost" from the hosts file and a
// numeric address), real echoes to 127.0.0.1, the real process snapshot and
// the real Winsock catalogue of the Wine prefix, whose IPX, SPX and SPX II
// entries are Winsock's own base protocols: no LSP hijacking, full marks.
TEST_F(DiagnosisWorker, RunsOnTheRealSystem) {
  const Outcome outcome = run(nullptr);
  EXPECT_EQ(outcome.steps, reports({kPassed, kPassed, kPassed, kPassed, kPassed, kPassed}));
  EXPECT_EQ(outcome.scores, std::vector<LPARAM>{100});
}

}  // namespace
}  // namespace kestro
