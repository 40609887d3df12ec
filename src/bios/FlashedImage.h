// SPDX-License-Identifier: GPL-3.0-or-later
// What a flashed file leaves on a card whose flash tool programs the whole file: the image its
// option-ROM header gives, the part of the file the card is compared with afterwards.
#pragma once
#include <cstdint>
#include <span>

namespace rz::bios {

// The bytes of a flashed file that the card must hold afterwards: the image its header gives
// (0x55 0xAA, length in 512-byte units in byte 2) when the file holds that much, else all of it.
std::span<const std::uint8_t> FlashedImage(std::span<const std::uint8_t> file);

}  // namespace rz::bios
