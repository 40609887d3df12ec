// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/ImageLayout.h"

#include "base/LittleEndian.h"
#include "bios/SignatureData.h"

namespace rz::bios {

bool IsPlainImage(Bytes header) {
  std::uint16_t signature = 0;
  return le::Read16(header, kImageSignatureOffset, signature) && signature == kImageSignature;
}

std::optional<std::uint16_t> ReadPciDataPointer(Bytes image) {
  std::uint16_t pointer = 0;
  if (!le::Read16(image, kPciDataPointerOffset, pointer)) return std::nullopt;
  return pointer;
}

std::optional<std::uint8_t> BlockCardNumber(Bytes image, BlockPick pick) {
  std::optional<std::size_t> at;
  for (std::size_t from = kBlockSearchStart;;) {
    const auto found = FindSignature(image, from, kBlockSearchLast + 1, kBlockSignature);
    if (!found) break;
    at = found;
    if (pick == BlockPick::First) break;
    from = *found + 1;
  }
  if (!at || *at + kBlockCardNumber >= image.size()) return std::nullopt;
  return image[*at + kBlockCardNumber];
}

std::optional<std::uint32_t> ReadImageLength(Bytes image) {
  if (image.size() <= kImageLengthOffset) return std::nullopt;
  return ImageLength(image[kImageLengthOffset]);
}

std::optional<std::uint32_t> ReadImageSubsystem(Bytes image) {
  std::uint16_t vendor = 0;
  std::uint16_t id = 0;
  if (!le::Read16(image, kSubsystemVendorOffset, vendor) || !le::Read16(image, kSubsystemIdOffset, id))
    return std::nullopt;
  return vendor | (std::uint32_t{id} << 16);
}

bool StartsWith(Bytes data, std::string_view signature) {
  if (data.size() < signature.size()) return false;
  for (std::size_t i = 0; i < signature.size(); ++i)
    if (data[i] != static_cast<std::uint8_t>(signature[i])) return false;
  return true;
}

std::optional<std::size_t> FindSignature(Bytes data, std::size_t from, std::size_t to,
                                         std::string_view signature) {
  if (data.size() < signature.size()) return std::nullopt;
  const std::size_t lastStart = data.size() - signature.size();
  for (std::size_t p = from; p < to && p <= lastStart; ++p)
    if (StartsWith(data.subspan(p), signature)) return p;
  return std::nullopt;
}

std::optional<std::uint32_t> ReadPciDataIds(Bytes data, std::size_t pcir) {
  std::uint32_t ids = 0;
  if (pcir > data.size() || !le::Read32(data, pcir + kPciDataVendorId, ids)) return std::nullopt;
  return ids;
}

bool IsPackage(Bytes header) { return StartsWith(header, kPackageSignature); }

PackageSlots ReadPackageSlots(Bytes header) {
  PackageSlots slots{};
  for (std::size_t i = 0; i < kPackageSlotCount; ++i) {
    std::uint32_t offset = 0;
    if (le::Read32(header, kPackageSlotTableOffset + 4 * i, offset)) slots[i] = offset;
  }
  return slots;
}

}  // namespace rz::bios
