// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/images/TestImage.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "base/BuildConfig.h"
#include "base/LittleEndian.h"
#include "base/Utf8Path.h"

namespace rz::testimage {

namespace {

void PutText(std::vector<std::uint8_t>& b, std::size_t at, const std::string& text,
             std::size_t width) {
  for (std::size_t i = 0; i < width && at + i < b.size(); ++i)
    b[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
}

// Bytes of the PCI data structure, from its "PCIR".
constexpr std::uint16_t kPcirSize = 0x18;

// Filler without the bytes '$', 'R' and 'A', so no signature can appear by chance.
std::uint8_t Filler(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  std::uint8_t b = static_cast<std::uint8_t>(state >> 24);
  if (b == '$' || b == 'R' || b == 'A') b ^= 0x80;
  return b;
}

}  // namespace

std::vector<std::uint8_t> BuildImage(const ImageRecipe& s) {
  const std::size_t length = std::size_t{s.lengthByte} * 512;
  // Room for every part the recipe places, however short the image: what lies beyond the image
  // is cut off at the end.
  std::size_t room = std::max<std::size_t>({length, 0x200, std::size_t{s.pcirOffset} + kPcirSize});
  if (s.atom) room = std::max<std::size_t>(room, s.atom->offset + 20 + s.atom->pcirPosition + 8);
  if (s.modelText) room = std::max(room, s.modelTextOffset + s.modelText->size() + 1);
  if (s.block) room = std::max<std::size_t>(room, s.block->offset + 0xC0);
  std::vector<std::uint8_t> b(room);
  std::uint32_t state = s.seed;
  for (auto& byte : b) byte = Filler(state);
  b[0] = 0x55;
  b[1] = 0xAA;
  b[2] = s.lengthByte;
  b[0x34] = 0x00;  // no extended length
  le::Put16(&b[0x18], s.pcirOffset);
  PutText(b, s.pcirOffset, "PCIR", 4);
  le::Put16(&b[s.pcirOffset + 4], s.vendorId);
  le::Put16(&b[s.pcirOffset + 6], s.deviceId);
  le::Put16(&b[s.pcirOffset + 0x08], 0);         // no vital product data
  le::Put16(&b[s.pcirOffset + 0x0A], kPcirSize);  // the structure's own length
  b[s.pcirOffset + 0x0C] = 0;                     // its revision
  b[s.pcirOffset + 0x0D] = 0x00;                  // class code: VGA-compatible display
  b[s.pcirOffset + 0x0E] = 0x00;
  b[s.pcirOffset + 0x0F] = 0x03;
  le::Put16(&b[s.pcirOffset + 0x10], s.lengthByte);  // image length in 512-byte units
  le::Put16(&b[s.pcirOffset + 0x12], 0);             // code revision
  b[s.pcirOffset + 0x14] = s.codeType;
  b[s.pcirOffset + 0x15] = s.lastImage ? 0x80 : 0x00;
  const std::uint16_t subVendor = s.subsystemVendorId ? s.subsystemVendorId : kMakerSubsystemVendorId;
  le::Put16(&b[0x54], subVendor);
  le::Put16(&b[0x56], s.subsystemId);
  if (s.atom) {
    const std::size_t a = s.atom->offset;
    PutText(b, a, "ATOM", 5);
    le::Put32(&b[a + 20], subVendor | (std::uint32_t{s.subsystemId} << 16));
    const std::size_t p = a + 20 + s.atom->pcirPosition;
    PutText(b, p, "PCIR", 4);
    le::Put32(&b[p + 4], s.vendorId | (std::uint32_t{s.deviceId} << 16));
  }
  if (s.modelText) PutText(b, s.modelTextOffset, *s.modelText, s.modelText->size() + 1);
  if (s.block) {
    const auto& k = *s.block;
    const std::size_t at = k.offset;
    std::fill(b.begin() + static_cast<std::ptrdiff_t>(at),
              b.begin() + static_cast<std::ptrdiff_t>(std::min(b.size(), at + 0xC0)), 0);
    PutText(b, at, "$RZ", 3);
    b[at + 0x03] = k.revision;
    PutText(b, at + 0x04, k.model, 8);
    b[at + 0x0C] = static_cast<std::uint8_t>(k.letter);
    b[at + 0x0D] = k.number;
    b[at + 0x0E] = k.cardNumber;
    PutText(b, at + 0x20, k.continuation, 8);
    b[at + 0xBD] = static_cast<std::uint8_t>(k.suffix);
  }
  b.resize(length);
  if (s.checksum && length > 0) {
    b[length - 1] = 0;
    b[length - 1] = static_cast<std::uint8_t>(0x100 - Sum8(b, length));
  }
  if (s.fileLength > length) b.resize(s.fileLength, 0xFF);
  return b;
}

std::vector<std::uint8_t> BuildPackage(const std::vector<std::vector<std::uint8_t>>& slots) {
  std::vector<std::uint8_t> out(0x40, 0);
  PutText(out, 0, "$RZ0", 4);
  for (std::size_t i = 0; i < slots.size() && i < 8; ++i) {
    if (slots[i].empty()) continue;
    le::Put32(&out[4 + 4 * i], static_cast<std::uint32_t>(out.size()));
    out.insert(out.end(), slots[i].begin(), slots[i].end());
  }
  return out;
}

std::uint8_t Sum8(const std::vector<std::uint8_t>& bytes, std::size_t count) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < count && i < bytes.size(); ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
  return sum;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

}  // namespace rz::testimage
