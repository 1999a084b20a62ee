#include "diag/known_programs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_convert.h"

namespace kestro {
namespace {

TEST(KnownProgramTables, HoldFiftyTrafficProgramsAndSixDialupClientsWithLowerCaseKeys) {
  const KnownProgramTables tables;
  EXPECT_EQ(tables.trafficPrograms.size(), 50u);
  EXPECT_EQ(tables.dialupClients.size(), 6u);
  for (const ProgramTable* table : {&tables.trafficPrograms, &tables.dialupClients}) {
    for (const auto& [key, display] : *table) {
      EXPECT_EQ(lowerAsciiLetters(key), key);
      EXPECT_FALSE(display.empty()) << toUtf8(key);
    }
  }
}

TEST(KnownProgramTables, ShowTheOtherVendorsNamesAsWritten) {
  const KnownProgramTables tables;
  const struct {
    const ProgramTable& table;
    std::wstring key;
    std::wstring display;
  } rows[] = {
      {tables.trafficPrograms, L"ppsap.exe", L"PPS网络电视"},
      {tables.trafficPrograms, L"thunderplatform.exe", L"迅雷"},
      {tables.trafficPrograms, L"bitcomet.exe", L"QQDownload.exe"},
      {tables.trafficPrograms, L"flashget.exe", L"快车 FLASHGET"},
      {tables.trafficPrograms, L"uuseeplayer.exe", L"UUSee 网络电视"},
      {tables.trafficPrograms, L"dnaxervice.exe", L"lava-lava 通讯软件"},
      {tables.trafficPrograms, L"ourpictures.exe", L"OurPictures Starter Edition工具"},
      {tables.trafficPrograms, L"aimini.exe", L"aimini"},
      {tables.dialupClients, L"dr.com.exe", L"城市热点拨号客户端"},
      {tables.dialupClients, L"userpermit.exe", L"华为拨号客户端"},
      {tables.dialupClients, L"digitalchinasupplicant.exe", L"神州数码拨号客户端"},
  };
  for (const auto& row : rows) {
    ASSERT_EQ(row.table.count(row.key), 1u);
    EXPECT_EQ(row.table.at(row.key), row.display);
  }
}

TEST(RunningPrograms, MatchWholeFileNamesInAnyLetterCaseAndListEachProcess) {
  const KnownProgramTables tables;
  const struct {
    std::vector<std::wstring> processes;
    std::wstring listing;
  } cases[] = {
      {{L"Thunder.EXE"}, L"迅雷\tthunder.exe\r\n"},
      {{L"kugou.exe", L"explorer.exe", L"kugou.exe"}, L"酷狗音乐2011\tkugou.exe\r\n酷狗音乐2011\tkugou.exe\r\n"},
      {{L"bitcomet.exe"}, L"QQDownload.exe\tbitcomet.exe\r\n"},
      // Snapshot order, not table order.
      {{L"xmp.exe", L"emule.exe"}, L"迅雷看看播放器\txmp.exe\r\n电驴\temule.exe\r\n"},
      // Only the file name counts, never the folder.
      {{L"C:\\Program Files\\Thunder\\Thunder.exe"}, L"迅雷\tthunder.exe\r\n"},
      // A name that merely contains a key is another program.
      {{L"xthunder.exe", L"thunder.exe.old", L"thunder", L"kugou7.exe.exe"}, L""},
      // Only A to Z are lowered.
      {{L"ＴHUNDER.EXE"}, L""},
      {{}, L""},
  };
  for (const auto& c : cases) {
    std::wstring listing;
    bool found = false;
    for (const std::wstring& process : c.processes) noteRunningProgram(tables.trafficPrograms, process, listing, found);
    EXPECT_EQ(listing, c.listing) << toUtf8(c.processes.empty() ? L"(none)" : c.processes.front());
    EXPECT_EQ(found, !c.listing.empty());
  }
}

TEST(RunningPrograms, DialupClientsComeFromTheirOwnTable) {
  const KnownProgramTables tables;
  std::wstring listing;
  bool found = false;
  noteRunningProgram(tables.dialupClients, L"8021X.exe", listing, found);
  noteRunningProgram(tables.dialupClients, L"thunder.exe", listing, found);
  EXPECT_EQ(listing, L"锐捷拨号客户端\t8021x.exe\r\n");
  EXPECT_TRUE(found);
}

TEST(DriverFirewall, IsDrvAntiInAnyLetterCase) {
  EXPECT_TRUE(isDriverFirewall(L"DrvAnti.exe"));
  EXPECT_TRUE(isDriverFirewall(L"DRVANTI.EXE"));
  EXPECT_TRUE(isDriverFirewall(L"drvanti.exe"));
  EXPECT_FALSE(isDriverFirewall(L"drvanti.exe2"));
  EXPECT_FALSE(isDriverFirewall(L"mydrvanti.exe"));
  EXPECT_FALSE(isDriverFirewall(L""));
}

}  // namespace
}  // namespace kestro
