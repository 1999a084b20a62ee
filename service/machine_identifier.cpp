#include "service/machine_identifier.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kestro {
namespace {

constexpr size_t kSerialOffset = 20, kSerialLength = 20;
constexpr size_t kFirmwareOffset = 46, kFirmwareLength = 8;
constexpr size_t kModelOffset = 54, kModelLength = 40;

// ATA text fields hold two characters per word, high byte first.
void processField(IdentifyArea& area, size_t offset, size_t length) {
  uint8_t* field = area.data() + offset;
  for (size_t i = 0; i + 1 < length; i += 2) std::swap(field[i], field[i + 1]);
  size_t lead = 0;
  while (lead < length && field[lead] == ' ') ++lead;
  // The text moves to the start; the field's last bytes keep what they held.
  std::memmove(field, field + lead, length - lead);
  for (size_t i = length; i > 0 && field[i - 1] == ' '; --i) field[i - 1] = 0;
}

}  // namespace

void processIdentifyArea(IdentifyArea& area) {
  processField(area, kSerialOffset, kSerialLength);
  processField(area, kModelOffset, kModelLength);
  processField(area, kFirmwareOffset, kFirmwareLength);
}

std::string identifierFromArea(const IdentifyArea& area) {
  const auto begin = area.begin() + kSerialOffset;
  // The serial is not terminated when it ends in a non-space: the text runs on
  // into the following identify bytes, but never past the area.
  const auto end = std::find(begin, area.end(), uint8_t{0});
  std::string identifier(begin, end);
  std::replace(identifier.begin(), identifier.end(), ' ', '0');
  return identifier;
}

}  // namespace kestro
