#include "diag/diagnosis_run.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "app/deployment.h"
#include "base/text_convert.h"

namespace kestro {
namespace {

// A machine whose answers the test sets, with a transcript of what the run did.
class ScriptedMachine final : public DiagnosisMachine {
 public:
  std::map<std::wstring, std::wstring> addresses = {{probeHostSina(), L"127.0.0.1"},
                                                    {probeHostBaidu(), L"127.0.0.2"}};
  std::deque<std::optional<LinkQuality>> links = {LinkQuality{20.0f, 0.0f}, LinkQuality{35.0f, 0.0f}};
  std::deque<ScanOutcome> programScans = {{true, false, L""}, {true, false, L""}};
  ScanOutcome providerScan{true, false, L""};
  ScanOutcome firewallScan{true, false, L""};

  std::vector<std::wstring> calls;  // in order, reports included
  std::vector<DiagStepRecord> steps;             // copies taken at each report
  std::vector<const DiagStepRecord*> records;  // what each report handed over
  std::vector<int32_t> scores;

  void openEcho() override { calls.push_back(L"openEcho"); }
  std::optional<std::wstring> resolve(const std::wstring& host) override {
    calls.push_back(L"resolve " + host);
    const auto address = addresses.find(host);
    if (address == addresses.end()) return std::nullopt;
    return address->second;
  }
  std::optional<LinkQuality> probeLink(const std::wstring& address) override {
    calls.push_back(L"probe " + address);
    const std::optional<LinkQuality> link = links.front();
    links.pop_front();
    return link;
  }
  ScanOutcome findPrograms(const ProgramTable& table) override {
    calls.push_back(L"programs " + std::to_wstring(table.size()));
    const ScanOutcome outcome = programScans.front();
    programScans.pop_front();
    return outcome;
  }
  ScanOutcome listForeignProviders(const BaseProviderList& base) override {
    calls.push_back(L"providers " + std::to_wstring(base.identifiers.size()));
    return providerScan;
  }
  ScanOutcome detectDriverFirewall() override {
    calls.push_back(L"firewall");
    return firewallScan;
  }
  void reportStep(const DiagStepRecord& record) override {
    calls.push_back(L"step");
    steps.push_back(record);
    records.push_back(&record);
  }
  void reportScore(int32_t total) override {
    calls.push_back(L"score");
    scores.push_back(total);
  }
};

const std::vector<std::wstring> kTitles = {
    L"正在检查到新浪网的网络延时",
    L"正在检查到百度的网络延时",
    L"正在检查是否存在后台占用流量的程序在运行",
    L"正在检查是否存在第三方软件的LSP网络劫持",
    L"正在检查是否安装驱动防火墙",
    L"正在检查是否存在第三方拨号客户端",
};

// The verdict report of check `index` (0 to 5).
const DiagStepRecord& verdictOf(const ScriptedMachine& machine, size_t index) { return machine.steps.at(2 * index + 1); }

TEST(DiagnosisRun, ACleanMachineScoresExactlyOneHundred) {
  ScriptedMachine machine;
  DiagStepRecord record;
  EXPECT_EQ(runDiagnosis(machine, record), 100);
  EXPECT_EQ(machine.scores, std::vector<int32_t>{100});

  ASSERT_EQ(machine.steps.size(), 12u);
  for (size_t check = 0; check < 6; ++check) {
    const DiagStepRecord& start = machine.steps[2 * check];
    const DiagStepRecord& verdict = machine.steps[2 * check + 1];
    EXPECT_EQ(start.title, kTitles[check]);
    EXPECT_EQ(start.status, DiagStatus::running);
    EXPECT_TRUE(start.detail.empty());
    EXPECT_EQ(verdict.title, kTitles[check]);
    EXPECT_EQ(verdict.status, DiagStatus::ok);
    EXPECT_TRUE(verdict.detail.empty());
  }
}

TEST(DiagnosisRun, AsksTheMachineInOrderAndOpensTheEchoAfterTheFirstStart) {
  ScriptedMachine machine;
  DiagStepRecord record;
  runDiagnosis(machine, record);
  const std::vector<std::wstring> expected = {
      L"step", L"openEcho", L"resolve " + probeHostSina(), L"probe 127.0.0.1", L"step",
      L"step", L"resolve " + probeHostBaidu(), L"probe 127.0.0.2", L"step",
      L"step", L"programs 50", L"step",
      L"step", L"providers 5", L"step",
      L"step", L"firewall", L"step",
      L"step", L"programs 6", L"step",
      L"score",
  };
  EXPECT_EQ(machine.calls, expected);
}

TEST(DiagnosisRun, ANameThatDoesNotResolveGivesThatSitesDnsTextAndTheRunGoesOn) {
  const struct {
    std::wstring unresolved;
    size_t check;
    const wchar_t* detail;
  } cases[] = {
      {probeHostSina(), 0, L"无法对新浪网域名进行解析，请检查您的DNS设置以及DNS服务器是否正常"},
      {probeHostBaidu(), 1, L"无法对百度域名进行解析，请检查您的DNS设置以及DNS服务器是否正常"},
  };
  for (const auto& c : cases) {
    ScriptedMachine machine;
    machine.addresses.erase(c.unresolved);
    DiagStepRecord record;
    EXPECT_EQ(runDiagnosis(machine, record), 80);
    ASSERT_EQ(machine.steps.size(), 12u);
    EXPECT_EQ(verdictOf(machine, c.check).status, DiagStatus::error);
    EXPECT_EQ(verdictOf(machine, c.check).detail, c.detail);
    EXPECT_EQ(verdictOf(machine, 1 - c.check).status, DiagStatus::ok);
  }
}

TEST(DiagnosisRun, AddsThePointsOfEveryCheckWhateverTheEarlierVerdicts) {
  ScriptedMachine machine;
  machine.links = {LinkQuality{100.0f, 0.0f}, LinkQuality{kSilentLinkLatencyMs, 1.0f}};
  machine.programScans = {{true, true, L"迅雷\tthunder.exe\r\n"}, {false, false, L""}};
  machine.providerScan = {true, true, L"Foreign\r\nForeign\r\nForeign\r\n"};
  DiagStepRecord record;
  EXPECT_EQ(runDiagnosis(machine, record), 16 + 0 + 0 + 0 + 15 + 0);
  EXPECT_EQ(machine.scores, std::vector<int32_t>{31});
  const std::vector<DiagStatus> verdicts = {DiagStatus::warn,  DiagStatus::warn, DiagStatus::error,
                                            DiagStatus::error, DiagStatus::ok,   DiagStatus::warn};
  for (size_t check = 0; check < 6; ++check) EXPECT_EQ(verdictOf(machine, check).status, verdicts[check]) << check;
  EXPECT_EQ(verdictOf(machine, 3).detail, L"检测到下列LSP劫持：\r\nForeign\r\nForeign\r\nForeign\r\n请立即使用LSP修复工具修复");
}

TEST(DiagnosisRun, ReportsItsOneRecordEveryTime) {
  // The page reads the worker's record while the worker waits, so every report
  // hands over the same record, rewritten.
  ScriptedMachine machine;
  DiagStepRecord record;
  runDiagnosis(machine, record);
  EXPECT_EQ(machine.records, std::vector<const DiagStepRecord*>(12, &record));
  EXPECT_EQ(record.title, kTitles[5]);
  EXPECT_EQ(record.status, DiagStatus::ok);
}

}  // namespace
}  // namespace kestro
