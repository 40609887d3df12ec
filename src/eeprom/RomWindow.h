// SPDX-License-Identifier: GPL-3.0-or-later
// The card's mapped register window with its PROM aperture, and the PROM-access and serial state
// that goes with it: one per program run, open only for the length of one EEPROM operation.
#pragma once
#include <cstdint>

namespace rz::eeprom {

inline constexpr std::uint32_t kWindowLength = 0x2000000;  // 32 MiB from BAR0
inline constexpr std::uint32_t kPromOffset = 0x300000;     // PROM aperture inside the window
// Bytes of the aperture that lie inside the mapped window.
inline constexpr std::uint32_t kApertureLength = kWindowLength - kPromOffset;

// Card registers (offsets into the register window).
inline constexpr std::uint32_t kRegEnable = 0x000200;       // bit 20 set at window open
inline constexpr std::uint32_t kRegEnableBit = 0x00100000;
inline constexpr std::uint32_t kRegGpioOld = 0x001204;
inline constexpr std::uint32_t kRegGpioNew = 0x00E204;
inline constexpr std::uint32_t kRegPromAccess = 0x001850;   // 0 while the EEPROM is accessed
inline constexpr std::uint32_t kRegC040 = 0x00C040;
inline constexpr std::uint32_t kC040PromMask = 0xCFFFFFFF;  // clears bits 28-29
inline constexpr std::uint32_t kRegStrap = 0x101000;
inline constexpr std::uint32_t kStrapSpiNew = 0x00400000;
inline constexpr std::uint32_t kStrapSpiOld = 0x60000000;

// Bits of the general-purpose register that carry the serial interface.
inline constexpr std::uint32_t kGpioEnable = 0x01;
inline constexpr std::uint32_t kGpioSelect = 0x02;  // chip select, active low
inline constexpr std::uint32_t kGpioClock = 0x04;
inline constexpr std::uint32_t kGpioDataOut = 0x08;
inline constexpr std::uint32_t kGpioDataIn = 0x10;

struct RomWindow {
  std::uint32_t mapping = 0;    // linear address of the mapped window; 0 when closed
  std::uint32_t registers = 0;  // same as mapping
  std::uint32_t prom = 0;       // mapping + kPromOffset
  std::uint16_t deviceId = 0;   // device id of the adapter of the last successful open
  std::uint32_t promFlag = 0;   // non-zero: bits 28-29 of 0xC040 cleared while PROM access is on
  std::uint32_t savedC040 = 0;
  bool spiMode = false;         // the EEPROM is a serial chip
  bool newGpioLayout = false;   // set by card detection, never cleared

  bool IsOpen() const { return mapping != 0; }
};

}  // namespace rz::eeprom
