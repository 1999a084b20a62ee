#include "diag/process_scan_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_convert.h"
#include "tests/diag/running_copies_win.h"
#include "tests/diag/scripted_scans_win.h"

namespace kestro {
namespace {

using test::RunningCopies;
using test::ScriptedProcesses;

// Each line of a listing, in order.
std::vector<std::wstring> linesOf(const std::wstring& listing) {
  std::vector<std::wstring> lines;
  for (size_t start = 0; start < listing.size();) {
    const size_t end = listing.find(L"\r\n", start);
    if (end == std::wstring::npos) {
      lines.push_back(listing.substr(start) + L"<no line break>");
      break;
    }
    lines.push_back(listing.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TEST(FindRunningPrograms, ListsEveryKnownProcessOfTheSnapshotInItsOrder) {
  const KnownProgramTables tables;
  const struct {
    std::vector<std::wstring> processes;
    std::wstring listing;
  } cases[] = {
      {{L"[System Process]", L"explorer.exe", L"Thunder.EXE"}, L"迅雷\tthunder.exe\r\n"},
      {{L"kugou.exe", L"svchost.exe", L"kugou.exe"}, L"酷狗音乐2011\tkugou.exe\r\n酷狗音乐2011\tkugou.exe\r\n"},
      {{L"bitcomet.exe", L"emule.exe"}, L"QQDownload.exe\tbitcomet.exe\r\n电驴\temule.exe\r\n"},
      {{L"xthunder.exe", L"kugou.exe.bak", L"thunder"}, L""},
  };
  for (const auto& c : cases) {
    ScriptedProcesses processes(c.processes);
    std::wstring listing = L"left over";
    bool found = true;
    EXPECT_TRUE(findRunningPrograms(tables.trafficPrograms, listing, found));
    EXPECT_EQ(listing, c.listing);
    EXPECT_EQ(found, !c.listing.empty());
    EXPECT_EQ(processes.taken(), 1);
    EXPECT_EQ(processes.closed(), 1);
  }
}

TEST(FindRunningPrograms, FailsWhenTheSnapshotCannotBeTakenOrRead) {
  const KnownProgramTables tables;
  for (const bool snapshotFails : {true, false}) {
    ScriptedProcesses processes({L"thunder.exe"});
    if (snapshotFails) {
      processes.failSnapshot();
    } else {
      processes.failFirstEntry();
    }
    std::wstring listing = L"left over";
    bool found = true;
    EXPECT_FALSE(findRunningPrograms(tables.dialupClients, listing, found));
    EXPECT_EQ(listing, L"");
    EXPECT_FALSE(found);
    EXPECT_EQ(processes.closed(), processes.taken());
  }
}

TEST(DetectDriverFirewall, FindsDrvAntiInAnyLetterCaseAndClosesTheSnapshot) {
  const struct {
    std::vector<std::wstring> processes;
    bool found;
  } cases[] = {
      {{L"explorer.exe", L"DrvAnti.exe"}, true},
      {{L"DRVANTI.EXE", L"drvanti.exe"}, true},
      {{L"drvanti.exe.exe", L"xdrvanti.exe"}, false},
  };
  for (const auto& c : cases) {
    ScriptedProcesses processes(c.processes);
    bool found = false;
    EXPECT_TRUE(detectDriverFirewall(takeProcessSnapshot(), found));
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(processes.closed(), 1);
  }
}

TEST(DetectDriverFirewall, FailsAndClosesTheSnapshotWhenItsFirstEntryCannotBeRead) {
  ScriptedProcesses processes({L"drvanti.exe"});
  processes.failFirstEntry();
  bool found = false;
  EXPECT_FALSE(detectDriverFirewall(takeProcessSnapshot(), found));
  EXPECT_FALSE(found);
  EXPECT_EQ(processes.closed(), 1);
}

TEST(DetectDriverFirewall, FailsOnASnapshotThatCouldNotBeTaken) {
  bool found = false;
  EXPECT_FALSE(detectDriverFirewall(INVALID_HANDLE_VALUE, found));
  EXPECT_FALSE(found);
}

// The real Tool Help snapshot of the Wine prefix.
TEST(RealProcessScan, FindsNothingKnownAmongWinesOwnProcesses) {
  const KnownProgramTables tables;
  std::wstring listing;
  bool found = true;
  EXPECT_TRUE(findRunningPrograms(tables.trafficPrograms, listing, found));
  EXPECT_FALSE(found) << toUtf8(listing);
  EXPECT_TRUE(findRunningPrograms(tables.dialupClients, listing, found));
  EXPECT_FALSE(found) << toUtf8(listing);
  found = false;
  EXPECT_TRUE(detectDriverFirewall(takeProcessSnapshot(), found));
  EXPECT_FALSE(found);
}

TEST(RealProcessScan, FindsKnownProgramsRunningUnderWine) {
  const RunningCopies copies({L"Thunder.EXE", L"kugou.exe", L"kugou.exe", L"xthunder.exe", L"DrvAnti.exe",
                              L"8021x.exe"});
  ASSERT_TRUE(copies.allRunning());
  const KnownProgramTables tables;

  std::wstring listing;
  bool found = false;
  ASSERT_TRUE(findRunningPrograms(tables.trafficPrograms, listing, found));
  EXPECT_TRUE(found);
  std::vector<std::wstring> lines = linesOf(listing);
  std::sort(lines.begin(), lines.end());  // snapshot order is the system's
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"迅雷\tthunder.exe", L"酷狗音乐2011\tkugou.exe",
                                               L"酷狗音乐2011\tkugou.exe"}));

  ASSERT_TRUE(findRunningPrograms(tables.dialupClients, listing, found));
  EXPECT_EQ(listing, L"锐捷拨号客户端\t8021x.exe\r\n");

  found = false;
  EXPECT_TRUE(detectDriverFirewall(takeProcessSnapshot(), found));
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace kestro
