// SPDX-License-Identifier: GPL-3.0-or-later
// Chains of synthetic option-ROM images for the inspection tests: images built one after another,
// and the few fields a test changes after building (the PCI data structure's image length, the
// header's length byte).
#pragma once
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "base/LittleEndian.h"
#include "sim/images/TestImage.h"

namespace rz::test {

using ByteList = std::vector<std::uint8_t>;

// A legacy image of `units` x 512 bytes, flagged last or not.
inline testimage::ImageRecipe Legacy(std::uint8_t units, bool last) {
  return {.lengthByte = units, .codeType = 0, .lastImage = last};
}
// An image of another code type (3: UEFI), flagged last or not.
inline testimage::ImageRecipe OfType(std::uint8_t codeType, std::uint8_t units, bool last) {
  return {.lengthByte = units, .seed = 7u + codeType, .codeType = codeType, .lastImage = last};
}

inline ByteList Chain(std::initializer_list<testimage::ImageRecipe> images) {
  ByteList out;
  for (const auto& r : images) {
    const auto image = testimage::BuildImage(r);
    out.insert(out.end(), image.begin(), image.end());
  }
  return out;
}

inline ByteList Joined(ByteList a, const ByteList& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The PCI data structure's image length (512-byte units) of the image at `imageOffset`, built with
// the recipe's default place of its "PCIR".
inline ByteList WithPciLength(ByteList bytes, std::size_t imageOffset, std::uint16_t units) {
  le::Put16(&bytes[imageOffset + testimage::ImageRecipe{}.pcirOffset + 0x10], units);
  return bytes;
}
inline ByteList WithHeaderLength(ByteList bytes, std::size_t imageOffset, std::uint8_t units) {
  bytes[imageOffset + 2] = units;
  return bytes;
}

}  // namespace rz::test
