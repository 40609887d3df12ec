// SPDX-License-Identifier: GPL-3.0-or-later
// Identification of the card's EEPROM by its JEDEC ids (parallel through the aperture, serial over
// the bit-banged interface), the option-ROM image length, and the identity shown at detection.
#pragma once
#include <cstdint>

#include "eeprom/ChipCatalogue.h"
#include "eeprom/EepromContext.h"

namespace rz::eeprom {

inline constexpr const char* kMapFailed = "mapNV";
inline constexpr const char* kZeroRomSize = "found zero ROM size.";

// Opens the window (and leaves it open for the caller), reads the ids and sets chip code, id word
// (device id << 8 | manufacturer id) and chip size. False when the adapter is not an NVIDIA VGA
// adapter, the window cannot be opened ("mapNV") or a driver request of the identification
// failed (chip code 0 then).
bool IdentifyEeprom(EepromContext& ctx, std::uint8_t bus, std::uint8_t device,
                    std::uint8_t& chipCode, std::uint16_t& idWord, std::uint32_t& chipSize);

// The ids as the chip answers them; needs the window open and PROM access on.
void ReadParallelIds(EepromContext& ctx, std::uint8_t& m, std::uint8_t& d);
void ReadSerialIds(EepromContext& ctx, std::uint8_t& m, std::uint8_t& d);

// Image length from the option-ROM header in the aperture (extended length honoured). Needs an
// open window with PROM access on; false with "found zero ROM size." for a zero length byte.
bool GetRomImageSize(EepromContext& ctx, std::uint32_t& length);

bool ReadEepromIdentity(EepromContext& ctx, std::uint8_t bus, std::uint8_t device,
                        std::uint8_t& chipCode, std::uint16_t& idWord, std::uint32_t& chipSize,
                        std::uint32_t& imageLength);

// 0 success, 2 failure (a failed driver request included), kBadAdapterIndex.
std::uint32_t GetEepromInfo(EepromContext& ctx, std::uint32_t adapterIndex,
                            EepromIdentity& identity, std::uint32_t& imageLength);

}  // namespace rz::eeprom
