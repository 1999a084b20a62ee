#include "accel/route_journal.h"

#include <gtest/gtest.h>

#include "accel/route_rows.h"
#include "base/text_convert.h"

namespace kestro {
namespace {

uint32_t address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  uint32_t value = 0;
  auto* bytes = reinterpret_cast<uint8_t*>(&value);
  bytes[0] = a;
  bytes[1] = b;
  bytes[2] = c;
  bytes[3] = d;
  return value;
}

TEST(RouteJournalEntry, AnEntryNamesTheRowToDelete) {
  const ForwardRow row = makeRouteRow(address(198, 51, 100, 0), address(255, 255, 255, 240),
                                      address(203, 0, 113, 249), 12, 25);
  const std::wstring text = journalEntryText(row);
  EXPECT_EQ(text, L"198.51.100.0 255.255.255.240 203.0.113.249 12");
  const auto back = journalEntryRow(text);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->forwardDest, row.forwardDest);
  EXPECT_EQ(back->forwardMask, row.forwardMask);
  EXPECT_EQ(back->forwardNextHop, row.forwardNextHop);
  EXPECT_EQ(back->forwardIfIndex, 12u);
  EXPECT_EQ(back->forwardProto, row.forwardProto);
}

TEST(RouteJournalEntry, TextThatIsNotAnEntryNamesNoRow) {
  for (const wchar_t* text : {L"", L"198.51.100.0 255.255.255.240 203.0.113.249", L"198.51.100.0 255.255.255.240 203.0.113.249 12 7",
                              L"198.51.100.256 255.255.255.240 203.0.113.249 12", L"a.b.c.d 255.255.255.0 1.2.3.4 1",
                              L"1.2.3.4 255.255.255.0 1.2.3.4 99999999999", L"1.2.3 255.255.255.0 1.2.3.4 1"}) {
    EXPECT_EQ(journalEntryRow(text), std::nullopt) << toUtf8(text);
  }
}

// Each entry names the program that wrote it, so a start-up sweep can leave
// the rows of a program running in another user's session.
TEST(RouteJournalEntry, AValueNameCarriesItsOwnerAndAnOlderNameNone) {
  const ForwardRow row = makeRouteRow(address(198, 51, 100, 0), address(255, 255, 255, 240),
                                      address(203, 0, 113, 249), 12, 25);
  const JournalOwner owner{4242, 0x01DB2C3D4E5F6071ull};
  const std::wstring name = journalValueName(row, owner);
  EXPECT_EQ(name, L"198.51.100.0 255.255.255.240 203.0.113.249 12 4242.1db2c3d4e5f6071");
  EXPECT_EQ(journalValueOwner(name), owner);
  for (const wchar_t* other : {L"198.51.100.0 255.255.255.240 203.0.113.249 12", L"", L"x 12.", L"x .5", L"x 1.2.3.4",
                               L"x 12.zz"}) {
    EXPECT_EQ(journalValueOwner(other), std::nullopt) << toUtf8(other);
  }
}

}  // namespace
}  // namespace kestro
