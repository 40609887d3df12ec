// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a serial EEPROM's block protection would stop the programming algorithm its ChipCode
// selects: read from the chip's status register before anything on the chip changes.
#pragma once
#include <cstdint>

#include "eeprom/EepromContext.h"

namespace rz::eeprom {

inline constexpr const char* kWriteProtectedText =
    "The EEPROM is write-protected. Nothing was written to the card.";

// The block-protect bits of a 25-series status register (BP0..BP2). Bit 7 (SRWD, WPEN or BPL)
// only locks the status register while WP# is low, and protects no cells by itself.
inline constexpr std::uint8_t kStatusBlockProtect = 0x1C;

// Whether the algorithm of `chipCode` writes a protected chip as it finds it: the serial page
// algorithm sends its erase and page programs without clearing the status register first, so a
// chip with any BP bit set ignores the erase. (The auto-address-increment algorithm clears the
// protection itself; parallel and 45-series chips have no BP bits.)
bool AlgorithmKeepsProtection(std::uint8_t chipCode);

// True when the chip will not take the job's erase and program: its algorithm keeps the
// protection and the status register shows a BP bit set, or a driver request of the status read
// failed (its message was shown; nothing should be written after it). Needs the open window and
// spiMode of identification; switches PROM access on and off itself.
bool IsWriteProtected(EepromContext& ctx, std::uint8_t chipCode);

}  // namespace rz::eeprom
