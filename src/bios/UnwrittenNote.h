// SPDX-License-Identifier: GPL-3.0-or-later
// What a flash leaves out of a file: the flash job writes one image (the first one, or the fitting
// image of a package), so the images after it in a plain file never reach the card. The note says
// so before the chip is touched.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "bios/ImageLayout.h"

namespace rz::bios {

// The note to show before the first `writtenLength` bytes of `file` are written, e.g. "Only the
// first image of this file (64 KiB of 128 KiB) will be written; the UEFI image after it is not."
// nullopt when nothing that matters stays behind: the file is no longer than what is written, the
// rest is blank padding (all 0xFF or all 0x00), or the file is a "$RZ0" package (its other slots
// are images for other boards, not parts of this one).
std::optional<std::string> UnwrittenPartNote(Bytes file, std::uint64_t writtenLength);

}  // namespace rz::bios
