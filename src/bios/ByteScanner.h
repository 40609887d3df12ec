// SPDX-License-Identifier: GPL-3.0-or-later
// Byte-wise scan of an image file for the maker's "$RZ" block and "RZ-" model texts.
#pragma once
#include "bios/SignatureData.h"
#include "platform/FileSystem.h"

namespace rz::bios {

// Reads `file` one byte at a time from its current position. A signature is matched as the bytes
// come: a byte that breaks a partial match is consumed and not examined again as the start of a
// new one; "RZ-" is tried only on bytes other than "$". At every "RZ-" the reader steps back to
// the "R", sets the found flag, reads the 80 bytes from there into `modelText` (cleared first, so
// a short read leaves zeros) and scans on after them. Returns true at "$RZ", with the file
// positioned just after the "Z"; false at the end of the file.
bool ScanForSignatures(platform::File& file, ModelText& modelText);

// Same matching rule for an arbitrary signature; true with the file positioned just after it.
bool ScanForBytes(platform::File& file, const std::uint8_t* signature, std::size_t length);

}  // namespace rz::bios
