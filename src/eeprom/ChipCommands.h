// SPDX-License-Identifier: GPL-3.0-or-later
// The command bytes the engine sends to flash chips: the JEDEC cycles of parallel chips (written
// through the aperture) and the serial opcodes of 25- and 45-series chips. Named once, here.
#pragma once
#include <cstdint>

#include "eeprom/EepromContext.h"

namespace rz::eeprom {

namespace jedec {
// Aperture offsets of the command cycles and the two unlock bytes written there.
inline constexpr std::uint32_t kAddress1 = 0x5555;
inline constexpr std::uint32_t kAddress2 = 0x2AAA;
inline constexpr std::uint8_t kUnlock1 = 0xAA;
inline constexpr std::uint8_t kUnlock2 = 0x55;
// Commands that follow the unlock cycles.
inline constexpr std::uint8_t kProgram = 0xA0;     // byte program, or page write on page chips
inline constexpr std::uint8_t kEraseSetup = 0x80;
inline constexpr std::uint8_t kChipErase = 0x10;   // after kEraseSetup and a second unlock
inline constexpr std::uint8_t kIdEntry = 0x90;
inline constexpr std::uint8_t kIdExit = 0xF0;
}  // namespace jedec

namespace spi {
inline constexpr std::uint8_t kWriteEnable = 0x06;
inline constexpr std::uint8_t kWriteDisable = 0x04;
inline constexpr std::uint8_t kEnableStatusWrite = 0x50;
inline constexpr std::uint8_t kWriteStatus = 0x01;
inline constexpr std::uint8_t kReadStatus = 0x05;
inline constexpr std::uint8_t kStatusBusy = 0x01;     // bit 0 of the status register
inline constexpr std::uint8_t kPageProgram = 0x02;
inline constexpr std::uint8_t kAutoIncrementProgram = 0xAF;
inline constexpr std::uint8_t kChipErase60 = 0x60;
inline constexpr std::uint8_t kChipEraseC7 = 0xC7;
inline constexpr std::uint8_t kChipErase62 = 0x62;
// 45-series: byte program without write enable, and the confirmation byte of its chip erase.
inline constexpr std::uint8_t kByteProgram45 = 0x10;
inline constexpr std::uint8_t kEraseConfirm45 = 0xD0;
// Identification: JEDEC id, release from deep power-down with id, manufacturer/device id.
inline constexpr std::uint8_t kReadJedecId = 0x15;
inline constexpr std::uint8_t kReadElectronicId = 0xAB;
inline constexpr std::uint8_t kReadManufacturerDeviceId = 0x90;
// Serial chips are addressed from this base: address bytes of (chip offset + kAddressBase).
inline constexpr std::uint32_t kAddressBase = 0x300000;
}  // namespace spi

// The three JEDEC command cycles: both unlock bytes, then `command` at kAddress1.
void JedecCommand(EepromContext& ctx, std::uint8_t command);

}  // namespace rz::eeprom
