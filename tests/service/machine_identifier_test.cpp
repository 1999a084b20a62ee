#include "service/machine_identifier.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kestro {
namespace {

// Puts `text` into a field as the driver delivers it: two characters per word,
// the first of each pair in the high (second) byte.
void putAtaText(IdentifyArea& area, size_t offset, const std::string& text) {
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    area[offset + i] = static_cast<uint8_t>(text[i + 1]);
    area[offset + i + 1] = static_cast<uint8_t>(text[i]);
  }
}

std::string identifierOf(const std::string& serial, const std::string& model = "", const std::string& firmware = "") {
  IdentifyArea area{};
  putAtaText(area, 20, serial);
  if (!model.empty()) putAtaText(area, 54, model);
  if (!firmware.empty()) putAtaText(area, 46, firmware);
  processIdentifyArea(area);
  return identifierFromArea(area);
}

TEST(MachineIdentifier, FromTheSerialNumber) {
  struct Row {
    std::string serial;
    std::string expected;
  } rows[] = {
      {"  WD-ABC1234567     ", "WD-ABC1234567"},
      {"AB CD               ", "AB0CD"},
      {std::string(20, ' '), ""},
      {"S1234567890123456789", "S1234567890123456789"},
  };
  for (const auto& row : rows) EXPECT_EQ(identifierOf(row.serial), row.expected) << '"' << row.serial << '"';
}

TEST(MachineIdentifier, SerialRunsOnPastItsField) {
  // Two leading spaces: the letters move to the start and the field keeps its
  // old last two characters; words 20 to 22 are zero, so the text ends there.
  EXPECT_EQ(identifierOf("  ABCDEFGHIJKLMNOPQR"), "ABCDEFGHIJKLMNOPQRQR");
}

TEST(MachineIdentifier, RunsOnIntoFirmwareAndModelWhenNothingStopsIt) {
  IdentifyArea area{};
  putAtaText(area, 20, "SERIAL01234567890123");
  std::memcpy(area.data() + 40, "ABCDEF", 6);  // words 20 to 22, never processed: no zero byte
  putAtaText(area, 46, "  1.0A  ");
  putAtaText(area, 54, "MODEL X                                 ");
  processIdentifyArea(area);
  // The firmware moves left, its trailing spaces become zero bytes, and the
  // text stops at the first of them.
  EXPECT_EQ(identifierFromArea(area), "SERIAL01234567890123ABCDEF1.0A");
}

TEST(MachineIdentifier, NeverReadsPastTheArea) {
  IdentifyArea area;
  area.fill('Z');
  EXPECT_EQ(identifierFromArea(area), std::string(512 - 20, 'Z'));
}

TEST(MachineIdentifier, AllZeroAreaIsEmpty) {
  IdentifyArea area{};
  processIdentifyArea(area);
  EXPECT_EQ(identifierFromArea(area), "");
}

}  // namespace
}  // namespace kestro
