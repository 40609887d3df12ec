// SPDX-License-Identifier: GPL-3.0-or-later
// Reduces a "$RZ0" package of images to the image(s) built for this card, written to a file.
#pragma once
#include <cstdint>
#include <span>

#include "platform/FileSystem.h"

namespace rz::bios {

enum class ExtractResult {
  NotPackage,  // the file does not start with "$RZ0"; nothing was written
  Extracted,   // every slot was looked at; the matching images were appended to `out`
  WriteFailed, // an image could not be written whole
};

// Reads the package header from the start of `source`; for every non-empty slot in order reads
// up to buffer.size() bytes at its offset and appends the image to `out` when its card number is
// `cardNumber`. An image longer than the bytes read (longer than the buffer, or cut off by the end
// of the file) does not match. Slot offsets outside the file read nothing and do not match.
ExtractResult ExtractMatchingImages(platform::File& source, platform::File& out,
                                    std::uint8_t cardNumber, std::span<std::uint8_t> buffer);

}  // namespace rz::bios
