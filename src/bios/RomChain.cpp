// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/RomChain.h"

#include <cstdio>

#include "base/LittleEndian.h"

namespace rz::bios {
namespace {

std::string Hex(std::size_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

// The PCI data structure the word at 0x18 of the image at `offset` points to; nullopt when no
// "PCIR" with all its read fields lies there inside `data`.
std::optional<PciDataInfo> ReadPciData(Bytes data, std::size_t offset) {
  const Bytes image = data.subspan(offset);
  const auto pointer = ReadPciDataPointer(image);
  if (!pointer || *pointer > image.size() || image.size() - *pointer < kPciDataReadSize)
    return std::nullopt;
  const Bytes pcir = image.subspan(*pointer);
  if (!StartsWith(pcir, kPciDataSignature)) return std::nullopt;
  PciDataInfo info;
  info.pointer = *pointer;
  info.vendorId = le::Get16(pcir.data() + kPciDataVendorId);
  info.deviceId = le::Get16(pcir.data() + kPciDataDeviceId);
  info.imageLength = std::uint32_t{le::Get16(pcir.data() + kPciDataImageLength)} * kImageLengthUnit;
  info.codeType = pcir[kPciDataCodeType];
  info.last = (pcir[kPciDataIndicator] & kLastImageFlag) != 0;
  return info;
}

std::optional<bool> LegacyChecksum(Bytes data, const RomImage& image) {
  if (!image.IsLegacy() || image.headerLength == 0 ||
      data.size() - image.offset < image.headerLength)
    return std::nullopt;
  std::uint8_t sum = 0;
  for (std::uint8_t b : data.subspan(image.offset, image.headerLength))
    sum = static_cast<std::uint8_t>(sum + b);
  return sum == 0;
}

}  // namespace

std::size_t RomChain::Covered() const {
  std::size_t covered = 0;
  for (const RomImage& image : images)
    if (image.whole && image.length > 0) covered = image.offset + image.length;
  return covered;
}

std::optional<RomImage> DescribeImage(Bytes data, std::size_t offset) {
  if (offset >= data.size() || !IsPlainImage(data.subspan(offset))) return std::nullopt;
  RomImage image;
  image.offset = offset;
  image.headerLength = ReadImageLength(data.subspan(offset)).value_or(0);
  image.pciData = ReadPciData(data, offset);
  image.length = image.pciData ? image.pciData->imageLength : image.headerLength;
  image.whole = data.size() - offset >= image.length;
  image.checksumOk = LegacyChecksum(data, image);
  return image;
}

RomChain WalkRomChain(Bytes data) {
  RomChain chain;
  chain.dataSize = data.size();
  // Every step moves forward by a length of at least 512 bytes (a length of 0 stops the walk),
  // so no chain can lead back to an image already seen; the count bounds a long one.
  std::size_t offset = 0;
  for (;;) {
    chain.endOffset = offset;
    if (offset >= data.size() && !chain.images.empty()) {
      chain.end = ChainEnd::EndOfData;
      return chain;
    }
    const auto image = DescribeImage(data, offset);
    if (!image) {
      chain.end = ChainEnd::NoSignature;
      return chain;
    }
    if (chain.images.size() == kMaxChainImages) {
      chain.end = ChainEnd::TooManyImages;
      return chain;
    }
    chain.images.push_back(*image);
    if (image->length == 0) {
      chain.end = ChainEnd::ZeroLength;
      return chain;
    }
    if (!image->whole) {
      chain.end = ChainEnd::PastEnd;
      return chain;
    }
    if (image->pciData && image->pciData->last) {
      chain.end = ChainEnd::LastImage;
      return chain;
    }
    offset += image->length;
  }
}

std::string CodeTypeName(std::uint8_t codeType) {
  if (codeType == kCodeTypeLegacy) return "legacy x86";
  if (codeType == kCodeTypeUefi) return "UEFI";
  return "code type " + std::to_string(codeType);
}

const char* ChainEndName(ChainEnd end) {
  switch (end) {
    case ChainEnd::LastImage: return "last_image";
    case ChainEnd::EndOfData: return "end_of_data";
    case ChainEnd::NoSignature: return "no_signature";
    case ChainEnd::ZeroLength: return "zero_length";
    case ChainEnd::PastEnd: return "past_end";
    case ChainEnd::TooManyImages: return "too_many_images";
  }
  return "";
}

std::string ChainEndText(const RomChain& chain) {
  const std::string at = Hex(chain.endOffset);
  switch (chain.end) {
    case ChainEnd::LastImage:
      return "the image at " + at + " is flagged as the last one";
    case ChainEnd::EndOfData:
      return "the images fill the file to its end (none is flagged as the last one)";
    case ChainEnd::NoSignature:
      return chain.images.empty()
                 ? "no image header (0x55, 0xAA) at the start of the file"
                 : "no image header (0x55, 0xAA) at " + at + ", where the next image would begin";
    case ChainEnd::ZeroLength:
      return "the image at " + at + " gives a length of 0";
    case ChainEnd::PastEnd: {
      const RomImage& last = chain.images.back();
      return "the image at " + at + " is " + SizeText(last.length) + " long, but only " +
             SizeText(chain.dataSize - last.offset) + " of it are in the file";
    }
    case ChainEnd::TooManyImages:
      return "more than " + std::to_string(kMaxChainImages) + " images: the walk stopped at " + at;
  }
  return "";
}

std::string SizeText(std::uint64_t bytes) {
  if (bytes != 0 && bytes % 1024 == 0) return std::to_string(bytes / 1024) + " KiB";
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

}  // namespace rz::bios
