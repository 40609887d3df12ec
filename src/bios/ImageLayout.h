// SPDX-License-Identifier: GPL-3.0-or-later
// Layout of BIOS image files: option-ROM header, PCI data structure, "$RZ" block position and the
// "$RZ0" package of images. Bounds-checked readers over byte buffers, little-endian throughout.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace rz::bios {

using Bytes = std::span<const std::uint8_t>;

// Option-ROM header.
inline constexpr std::size_t kImageSignatureOffset = 0x00;  // 0x55, 0xAA
inline constexpr std::uint16_t kImageSignature = 0xAA55;
inline constexpr std::size_t kImageLengthOffset = 0x02;     // length in 512-byte units
inline constexpr std::size_t kImageLengthUnit = 512;
inline constexpr std::size_t kPciDataPointerOffset = 0x18;  // u16 offset of "PCIR"
inline constexpr std::size_t kExtendedLengthFlagOffset = 0x34;
inline constexpr std::uint8_t kExtendedLengthFlag = 0x80;      // an extension follows the image
inline constexpr std::size_t kExtendedLengthPointerOffset = 0x36;  // u16 offset w of the extension
inline constexpr std::size_t kExtensionLengthOffset = 1;       // at w + 1: its length in units
inline constexpr std::uint32_t kExtensionLengthUnit = 128;
inline constexpr std::size_t kSubsystemVendorOffset = 0x54;
inline constexpr std::size_t kSubsystemIdOffset = 0x56;

// PCI data structure, from its "PCIR".
inline constexpr std::string_view kPciDataSignature = "PCIR";
inline constexpr std::size_t kPciDataVendorId = 4;
inline constexpr std::size_t kPciDataDeviceId = 6;

// The "$RZ" block is searched from this image offset on; the card's ROM and the images the flash
// job reads are searched up to kBlockSearchLast (the last position tested).
inline constexpr std::string_view kBlockSignature = "$RZ";
inline constexpr std::size_t kBlockSearchStart = 0x80;
inline constexpr std::size_t kBlockSearchLast = 0xFFFE;
inline constexpr std::string_view kModelTextSignature = "RZ-";

// "$RZ0" package: signature, then eight u32 absolute file offsets (0 = empty slot).
inline constexpr std::string_view kPackageSignature = "$RZ0";
inline constexpr std::size_t kPackageSlotCount = 8;
inline constexpr std::size_t kPackageSlotTableOffset = 4;
inline constexpr std::size_t kPackageHeaderSize = 36;
// Packaged images are read through a buffer of this size; a longer image cannot be taken.
inline constexpr std::size_t kPackageImageBufferSize = 65536;

using PackageSlots = std::array<std::uint32_t, kPackageSlotCount>;

// Image length in bytes for a length byte.
constexpr std::uint32_t ImageLength(std::uint8_t lengthByte) {
  return std::uint32_t{lengthByte} * kImageLengthUnit;
}

// True when the header starts with the option-ROM signature 0x55, 0xAA.
bool IsPlainImage(Bytes header);

// Image length from the header; nullopt when the buffer is too short to hold the length byte.
std::optional<std::uint32_t> ReadImageLength(Bytes image);

// Subsystem vendor id (bits 0-15) and subsystem id (bits 16-31) from 0x54/0x56.
std::optional<std::uint32_t> ReadImageSubsystem(Bytes image);

// True when `data` begins with `signature`.
bool StartsWith(Bytes data, std::string_view signature);

// First position p with from <= p < to at which `signature` lies wholly inside `data`.
std::optional<std::size_t> FindSignature(Bytes data, std::size_t from, std::size_t to,
                                         std::string_view signature);

// The offset of the PCI data structure stored at 0x18; nullopt when the image is too short.
std::optional<std::uint16_t> ReadPciDataPointer(Bytes image);

// The card number (+0x0E) of the first or the last "$RZ" block at positions kBlockSearchStart to
// kBlockSearchLast of the image. nullopt when there is no block, or when the chosen block's card
// number lies beyond the image. What "no card number" means is the caller's to say.
enum class BlockPick { First, Last };
std::optional<std::uint8_t> BlockCardNumber(Bytes image, BlockPick pick);

// Vendor id (bits 0-15) and device id (bits 16-31) that follow a "PCIR" at `pcir`; nullopt when
// they do not lie wholly inside `data`.
std::optional<std::uint32_t> ReadPciDataIds(Bytes data, std::size_t pcir);

// True when the header starts with "$RZ0".
bool IsPackage(Bytes header);
// The eight slot offsets; a slot not wholly inside `header` reads as empty.
PackageSlots ReadPackageSlots(Bytes header);

}  // namespace rz::bios
