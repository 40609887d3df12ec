// SPDX-License-Identifier: GPL-3.0-or-later
// Builds synthetic PCI option-ROM images: header and length byte, PCI data structure (ids, image
// length, code type, last-image flag), subsystem ids
// at 0x54/0x56, an optional "$RZ" block and "RZ-" model text, an optional "ATOM" header, a
// checksum byte that makes the image sum to 0; and "$RZ0" packages of such images.
// Never a real vendor BIOS: the body is deterministic pseudo-random filler.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rz::testimage {

struct RzBlockRecipe {
  std::uint32_t offset = 0x200;     // where the "$" lies (searches start at 0x80)
  std::uint8_t revision = 0x11;     // 0x12 or more: the model name continues at +0x20
  std::string model = "RZ-PX4R7";  // 8 characters at +0x04 (cut or zero-padded)
  char letter = 'F';                // +0x0C
  std::uint8_t number = 4;          // +0x0D
  std::uint8_t cardNumber = 0;      // +0x0E
  std::string continuation;         // 8 characters at +0x20
  char suffix = 0;                  // +0xBD
};

struct AtomRecipe {
  std::uint32_t offset = 0x40;      // where "ATOM" + zero lies
  std::uint32_t pcirPosition = 8;   // position of "PCIR" inside the 50-byte window at +20
};

struct ImageRecipe {
  std::uint8_t lengthByte = 0x80;   // image length in 512-byte units
  std::uint16_t vendorId = 0x10DE;
  std::uint16_t deviceId = 0x0191;
  std::uint16_t subsystemVendorId = 0;  // 0: the maker's id
  std::uint16_t subsystemId = 0x34C8;
  std::uint16_t pcirOffset = 0x160;     // PCI data structure, pointed to by the word at 0x18
  std::optional<RzBlockRecipe> block;
  std::optional<std::string> modelText;  // written from modelTextOffset, zero-terminated
  std::uint32_t modelTextOffset = 0x100;
  std::optional<AtomRecipe> atom;
  std::uint32_t seed = 1;            // filler content
  bool checksum = true;              // last byte makes the image sum to 0 modulo 256
  std::uint32_t fileLength = 0;      // 0: exactly the image; more: padded with 0xFF after it
  // The PCI data structure's code type and last-image flag; its image length is the header's.
  std::uint8_t codeType = 0;         // 0 legacy x86, 3 UEFI
  bool lastImage = true;
};

std::vector<std::uint8_t> BuildImage(const ImageRecipe& recipe);

// "$RZ0", eight u32 slot offsets (0 = empty), then the images one after another.
// `slots` may leave gaps: an empty vector in a position gives offset 0 there.
std::vector<std::uint8_t> BuildPackage(const std::vector<std::vector<std::uint8_t>>& slots);

std::uint8_t Sum8(const std::vector<std::uint8_t>& bytes, std::size_t count);

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace rz::testimage
