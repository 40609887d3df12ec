// SPDX-License-Identifier: GPL-3.0-or-later
// The maker's marks in the card's ROM: the first "$RZ" block, the "RZ-" model text before it, and
// the card number the block carries.
#pragma once
#include <cstdint>
#include <span>

#include "bios/ImageLayout.h"
#include "eeprom/EepromContext.h"

namespace rz::eeprom {

// Aperture offsets searched for the "$RZ" block: those searched in an image.
inline constexpr std::uint32_t kScanStart = bios::kBlockSearchStart;
inline constexpr std::uint32_t kScanEnd = bios::kBlockSearchLast;  // last offset tested, inclusive
inline constexpr std::uint8_t kNoCardNumber = 0xFF;

// 0 found (count bytes copied from the "$"), 1 not found, 2 error. Fills ctx.modelText with the
// last "RZ-" text before the block.
int ReadSignatureBlock(EepromContext& ctx, std::uint8_t bus, std::uint8_t device,
                       std::span<std::uint8_t> destination, std::uint32_t count);

// ReadSignatureBlock into ctx.signature; block is set to it only on result 0.
std::uint32_t GetSignatureBlock(EepromContext& ctx, std::uint32_t adapterIndex,
                                const bios::SignatureBlock*& block);

// Byte +14 of the first "$RZ" block, 0xFF when there is none or the ROM cannot be read.
std::uint8_t ReadCardNumber(EepromContext& ctx, std::uint8_t bus, std::uint8_t device);

}  // namespace rz::eeprom
