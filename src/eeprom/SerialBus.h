// SPDX-License-Identifier: GPL-3.0-or-later
// The EEPROM engine's timing and the bit-banged serial (SPI) interface on the card's
// general-purpose register: every bit change is a read-modify-write of that register.
#pragma once
#include <cstdint>
#include <initializer_list>

#include "eeprom/EepromContext.h"

namespace rz::eeprom {

inline constexpr std::uint16_t kDelayPort = 0xEB;

// n < 100: 2n dummy port writes; otherwise a sleep of (15n)/1000 ms.
void RomDelay(EepromContext& ctx, std::int32_t n);
// count one-byte writes of 0 to port 0xEB; the first failed write ends it.
void PortDelay(EepromContext& ctx, std::uint32_t count);

std::uint32_t ReadGpioRegister(EepromContext& ctx);
void WriteGpioRegister(EepromContext& ctx, std::uint32_t value);

void SpiBegin(EepromContext& ctx);
void SpiSelect(EepromContext& ctx);
void SpiDeselect(EepromContext& ctx);
void SpiEnd(EepromContext& ctx);
void SpiClockPulse(EepromContext& ctx);
void SpiSendByte(EepromContext& ctx, std::uint8_t value);
std::uint8_t SpiReceiveByte(EepromContext& ctx);

// One command frame with no answer: select, the bytes, deselect.
void SpiFrame(EepromContext& ctx, std::initializer_list<std::uint8_t> bytes);

}  // namespace rz::eeprom
