// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the BIOS image on the card is whole, judged as a BIOS file is: an option-ROM header
// with a length that fits the chip, and bytes that sum to 0 over that length. A flash that
// stopped part-way leaves an image that fails this.
#pragma once
#include <cstdint>

#include "eeprom/EepromContext.h"

namespace rz::eeprom {

enum class CardImageState {
  Intact,
  Damaged,
  Unknown,  // the chip could not be reached or identified
};

// Opens and closes the window itself; reads through the aperture without messages of its own.
CardImageState CheckCardImage(EepromContext& ctx, std::uint32_t adapterIndex);

// The same judgement on the chip behind the open window (PROM access off on entry and on exit).
CardImageState CheckOpenCardImage(EepromContext& ctx, std::uint32_t chipSize);

}  // namespace rz::eeprom
