// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/UnwrittenNote.h"

#include <vector>

#include "bios/RomChain.h"

namespace rz::bios {
namespace {

bool IsBlank(Bytes rest) {
  if (rest.empty()) return true;
  const std::uint8_t fill = rest[0];
  if (fill != 0xFF && fill != 0x00) return false;
  for (std::uint8_t b : rest)
    if (b != fill) return false;
  return true;
}

// "the UEFI image after <what> is", "the 2 images after <what> (UEFI, code type 1) are".
std::string ImagesAfter(const std::vector<RomImage>& after, const char* what) {
  std::string kinds;
  for (const RomImage& image : after) {
    if (!kinds.empty()) kinds += ", ";
    kinds += image.pciData ? CodeTypeName(image.pciData->codeType) : "no PCI data";
  }
  if (after.size() == 1) return "the " + kinds + " image after " + what + " is";
  return "the " + std::to_string(after.size()) + " images after " + what + " (" + kinds + ") are";
}

}  // namespace

std::optional<std::string> UnwrittenPartNote(Bytes file, std::uint64_t writtenLength) {
  if (writtenLength >= file.size() || IsPackage(file)) return std::nullopt;
  const Bytes rest = file.subspan(static_cast<std::size_t>(writtenLength));
  if (IsBlank(rest)) return std::nullopt;

  const RomChain chain = WalkRomChain(file);
  std::vector<RomImage> after;
  for (const RomImage& image : chain.images)
    if (image.offset >= writtenLength) after.push_back(image);
  const bool firstImageOnly = !chain.images.empty() && chain.images.front().length == writtenLength;
  const std::string written = SizeText(writtenLength);
  const std::string whole = SizeText(file.size());
  if (!after.empty() && firstImageOnly)
    return "Only the first image of this file (" + written + " of " + whole +
           ") will be written; " + ImagesAfter(after, "it") + " not.";
  std::string note = "Only the first " + written + " of this file (" + whole + ") will be written; ";
  if (!after.empty()) return note + ImagesAfter(after, "them") + " not.";
  return note + "the " + SizeText(rest.size()) + " after them are not.";
}

}  // namespace rz::bios
