// SPDX-License-Identifier: GPL-3.0-or-later
// The chain of PCI expansion-ROM images a BIOS file may hold (a legacy x86 image, then a UEFI one,
// say): each image's header, PCI data structure and length, walked image after image from the
// file's start. Any bytes are walked safely; the walk says why it stopped.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bios/ImageLayout.h"

namespace rz::bios {

// Fields of the PCI data structure beyond its ids, from its "PCIR".
inline constexpr std::size_t kPciDataImageLength = 0x10;  // u16, 512-byte units
inline constexpr std::size_t kPciDataCodeType = 0x14;
inline constexpr std::size_t kPciDataIndicator = 0x15;
inline constexpr std::size_t kPciDataReadSize = 0x18;     // every field read lies before this
inline constexpr std::uint8_t kLastImageFlag = 0x80;      // in the indicator byte

inline constexpr std::uint8_t kCodeTypeLegacy = 0;  // x86, the image the card's BIOS runs
inline constexpr std::uint8_t kCodeTypeUefi = 3;

// Real chains hold a handful of images; a walk that finds more than this stops.
inline constexpr std::size_t kMaxChainImages = 32;

// The PCI data structure of one image.
struct PciDataInfo {
  std::uint16_t pointer = 0;      // its offset from the image start (the word at 0x18)
  std::uint16_t vendorId = 0;
  std::uint16_t deviceId = 0;
  std::uint32_t imageLength = 0;  // bytes
  std::uint8_t codeType = 0;
  bool last = false;              // the last-image flag
};

struct RomImage {
  std::size_t offset = 0;          // from the start of the walked bytes
  std::uint32_t headerLength = 0;  // the header's length byte x 512
  std::optional<PciDataInfo> pciData;  // none: no "PCIR" where 0x18 points, inside the bytes
  // The image's length: its PCI data structure's when it has one, else the header's.
  std::uint32_t length = 0;
  bool whole = false;              // all `length` bytes lie inside the walked bytes
  // Legacy images only: true when the header length's bytes sum to 0 (8-bit); none for other
  // code types and when those bytes run past the end.
  std::optional<bool> checksumOk;

  bool IsLegacy() const { return pciData && pciData->codeType == kCodeTypeLegacy; }
};

enum class ChainEnd {
  LastImage,      // an image carries the last-image flag
  EndOfData,      // the images fill the bytes up to their end, none flagged last
  NoSignature,    // no 0x55, 0xAA where the next image would begin
  ZeroLength,     // an image gives a length of 0
  PastEnd,        // an image runs past the end of the bytes
  TooManyImages,  // kMaxChainImages were found and the chain went on
};

struct RomChain {
  std::vector<RomImage> images;  // every image found, the one the walk stopped at included
  ChainEnd end = ChainEnd::NoSignature;
  std::size_t endOffset = 0;  // where the walk stopped: the offset it looked at last
  std::size_t dataSize = 0;   // the bytes walked
  // Bytes from the start to the end of the last whole image.
  std::size_t Covered() const;
};

// The image whose header lies at `offset` of `data`; nullopt when there is no 0x55, 0xAA there.
std::optional<RomImage> DescribeImage(Bytes data, std::size_t offset);

// Walks the chain from offset 0 of `data`: an image's length leads to the next image, until an
// image flagged last, the end of the bytes, or a stop that ChainEnd names.
RomChain WalkRomChain(Bytes data);

// "legacy x86", "UEFI" or "code type N".
std::string CodeTypeName(std::uint8_t codeType);
// Why the walk stopped, in words for people ("the image at 0x10000 is flagged last", ...).
std::string ChainEndText(const RomChain& chain);
// Short names for scripts: "last_image", "end_of_data", "no_signature", "zero_length",
// "past_end", "too_many_images".
const char* ChainEndName(ChainEnd end);

// A length or size for people: "64 KiB" when whole KiB, else "1000 bytes".
std::string SizeText(std::uint64_t bytes);

}  // namespace rz::bios
