// SPDX-License-Identifier: GPL-3.0-or-later
// Writing the previous BIOS back after a flash that failed once the chip was touched: the chip's
// whole contents, as read just before the flash, are erased onto it again with the chip's own
// algorithm and read back to compare.
#pragma once
#include <cstdint>
#include <span>

#include "eeprom/EepromContext.h"

namespace rz::eeprom {

// How many bytes from the start hold everything but the erased tail of `contents` (bytes of 0xFF
// at the end need no programming after an erase), rounded up to whole programming pages.
std::uint32_t ProgrammedLength(std::span<const std::uint8_t> contents);

// Erases the chip, programs `contents` and reads the whole of it back. True when the chip then
// holds `contents` exactly and no driver request of the restore failed. The window is open; PROM
// access is off on entry and on exit. Progress is reported as one "Restoring" phase.
bool RestoreChip(EepromContext& ctx, std::uint8_t chipCode, std::span<const std::uint8_t> contents);

}  // namespace rz::eeprom
