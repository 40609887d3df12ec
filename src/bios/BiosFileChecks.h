// SPDX-License-Identifier: GPL-3.0-or-later
// The checks a BIOS file passes before it is flashed into a card the program programs itself:
// card number of a packaged image, PCI and subsystem ids, version, and 8-bit checksum.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "bios/BiosIdentity.h"
#include "bios/BiosVersion.h"
#include "bios/ImageLayout.h"
#include "bios/SignatureData.h"
#include "platform/FileSystem.h"

namespace rz::bios {

// The card number of an image: the byte at +0x0E of its first "$RZ" block found from offset 0x80
// within the image; 0 when the image has none. nullopt when a block lies so near the end of the
// image that its card number is cut off. (The flash job reads an image without a block as 0xFF,
// the number of a card without one: bios::BlockCardNumber there.)
std::optional<std::uint8_t> ImageCardNumber(Bytes image);

// True when the image's card number equals the card's.
bool ImageMatchesCard(Bytes image, std::uint8_t cardNumber);

// Subsystems of the two boards that take each other's images.
bool IsInterchangeableBoard(std::uint32_t subsystemIds);

// The file's PCI ids (after its first "PCIR" in the first 1,024 bytes) equal the card's `ids`,
// and its subsystem (0x54/0x56) equals the card's or both are the interchangeable pair. A file
// that cannot be opened, is too short for its subsystem, or has no "PCIR" does not match.
bool CheckBiosId(platform::FileSystem& files, const std::string& path, std::uint32_t cardIds,
                 std::uint32_t cardSubsystemIds);

// Reads the file's version (its "$RZ" block, else its model text, which lands in `modelText`)
// and compares it with the card's. Sets `result` (file_check codes); true when compatible.
// A file that cannot be opened fails with the result 0.
bool CheckBiosVersion(platform::FileSystem& files, const std::string& path,
                      const CardBiosIdentity& card, ModelText& modelText,
                      VersionCheckResult& result);

enum class ChecksumStatus {
  Summed,      // the sum was delivered
  OpenFailed,  // the file could not be opened
  NoImage,     // shorter than its header, or a length byte of 0: nothing to sum
  Truncated,   // the file ends before the image does; the sum covers the whole file
};

// 8-bit sum of the image's length-byte x 512 bytes (the whole file when it is shorter), read in
// 1,024-byte blocks. A valid image sums to 0. A file cut short of its image is damaged whatever
// its sum: flashing it would leave the card with part of a BIOS.
ChecksumStatus ImageChecksum(platform::FileSystem& files, const std::string& path,
                             std::uint8_t& sum);

}  // namespace rz::bios
