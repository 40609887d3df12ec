// SPDX-License-Identifier: GPL-3.0-or-later
// A look inside a BIOS file without a card: its images (the expansion-ROM chain of a plain file,
// or the slots of a "$RZ0" package), the maker's marks in each image, and the file's SHA-256.
// Read only; nothing here depends on a card, a driver or a front end.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bios/ImageLayout.h"
#include "bios/RomChain.h"
#include "platform/FileSystem.h"

namespace rz::bios {

// Files are looked at up to this many bytes (the SHA-256 covers all of them): far more than any
// chain of option-ROM images or any package holds.
inline constexpr std::uint64_t kInspectByteLimit = 16u * 1024 * 1024;

// The maker's model mark in one image, read as the program reads a file's version.
struct ImageMarks {
  enum class Source { None, Block, ModelText };
  Source source = Source::None;
  std::string modelName;
  std::string versionText;                // the BIOS version label's text
  std::optional<std::uint8_t> cardNumber; // from the first "$RZ" block; none without one
};

struct PackageSlot {
  enum class Status {
    Image,        // an image the program can take (at most 64 KiB, wholly in the file)
    OutsideFile,  // the offset lies at or past the end of the file
    NoImage,      // no 0x55, 0xAA header, or a length of 0, at the offset
    TooLong,      // longer than the 64 KiB the program reads a packaged image through
    Cut,          // the file ends before the image does
  };
  std::size_t number = 0;  // 1 to 8
  std::uint32_t offset = 0;
  Status status = Status::NoImage;
  std::optional<RomImage> image;  // its header and PCI data structure, when there is a header
  ImageMarks marks;
};

struct FileInspection {
  enum class Kind { Image, Package, NoBios };
  std::uint64_t fileSize = 0;
  std::uint64_t bytesLooked = 0;  // less than fileSize for a file over kInspectByteLimit
  std::string sha256;             // of the whole file, lowercase hexadecimal
  Kind kind = Kind::NoBios;
  RomChain chain;                   // Kind::Image (walked in every case: says why it is none)
  std::vector<ImageMarks> marks;    // one per image of the chain
  std::uint64_t bytesAfterChain = 0;  // after the last whole image
  bool blankAfterChain = true;        // those bytes are all 0xFF or all 0x00
  std::vector<PackageSlot> slots;   // Kind::Package: the slots that are not empty, in order

  // True when the file holds at least one whole image: a chain whose first image is whole, or a
  // package with a slot the program can take.
  bool HoldsImage() const;
  // Why the file holds no image, for people; empty when it holds one.
  std::string NoImageReason() const;
};

// The marks of one image (its bytes alone).
ImageMarks ReadImageMarks(Bytes image);

// Inspects the bytes of a file that is `fileSize` bytes long (the bytes may be its first part)
// with the digest given.
FileInspection InspectBytes(Bytes data, std::uint64_t fileSize, std::string sha256);

// Reads `path` and inspects it; nullopt, with `why` set, when the file cannot be read.
std::optional<FileInspection> InspectFile(platform::FileSystem& files, const std::string& path,
                                          std::string& why);

// "image", "cut", ...: short names of a slot's status for scripts.
const char* SlotStatusName(PackageSlot::Status status);

}  // namespace rz::bios
