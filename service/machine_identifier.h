// The machine identifier sent at every login: the serial number of the first
// physical disk from its ATA IDENTIFY DEVICE data.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kestro {

inline constexpr char kDefaultMachineIdentifier[] = "00000000000000000000";

// One IDENTIFY DEVICE reply: 256 little-endian words as the driver delivers them.
using IdentifyArea = std::array<uint8_t, 512>;

// Swaps the bytes of the serial (20..39), model (54..93) and firmware (46..53)
// fields, moves each field's text past its leading spaces to the field's start
// (its last bytes keep what they held) and turns trailing spaces into zero bytes.
void processIdentifyArea(IdentifyArea& area);

// The text from offset 20 up to the first zero byte (or the end of the area),
// with every space replaced by "0". It may run past the serial field.
std::string identifierFromArea(const IdentifyArea& area);

// Queries disk 0 (ATA SMART, then the SCSI miniport) and derives the
// identifier; the default on a non-NT platform, empty text when no disk answers.
std::string computeMachineIdentifier();

}  // namespace kestro
