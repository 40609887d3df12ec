// SPDX-License-Identifier: GPL-3.0-or-later
// The chip programming algorithms selected by ChipCode (three parallel through the aperture, three
// serial over the bit-banged interface), the chip erase, and the serial status polling.
#pragma once
#include <cstdint>

#include "eeprom/ChipCodeFacts.h"
#include "eeprom/EepromContext.h"

namespace rz::eeprom {

inline constexpr const char* kNotOnPageBoundary =
    "Call to program a buffer NOT on 128 byte boundary ... Aborting.";
inline constexpr const char* kSpiWaitExceeded =
    "Exceeded maximum wait time to program a single page";

// Bytes programmed; anything but count is a failure, and so is a driver request of the algorithm
// that failed (it stops there). Switches PROM access on and off itself, once, on every path.
std::uint32_t ProgramImage(EepromContext& ctx, std::uint8_t chipCode, const std::uint8_t* buffer,
                           std::uint32_t count);
// False when refused, timed out, or a driver request of the erase failed.
bool EraseChip(EepromContext& ctx, std::uint8_t chipCode, bool force);
// Polls the status register until the chip is ready: true then. False when a driver request of its
// own failed, or when the chip was still busy at the last read (after writing kSpiWaitExceeded to
// standard output): the chip has not taken the command, and what follows would be lost on it.
bool WaitSpiReady(EepromContext& ctx, int first, int next);

// The algorithms return the bytes they reached, `count` when all went well. Each stops at the first
// driver request of its own that fails (its delays are port requests): the chip's timing is then
// unknown, and a driver that fails once keeps failing. Each stops as well at a serial chip that
// stays busy, and at a unit (byte or page) that does not read back as written; the count it
// returns is then that unit's offset. They run inside ProgramImage's PROM access bracket and
// leave PROM access alone.
std::uint32_t ProgramJedecPages(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count);
std::uint32_t ProgramJedecBytes(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count);
std::uint32_t ProgramSpiAai(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count);
std::uint32_t ProgramSerial45(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count);
std::uint32_t ProgramSpiPages(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count,
                              std::uint8_t eraseOpcode);

}  // namespace rz::eeprom
