// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/PackageExtract.h"

#include <algorithm>
#include <array>

#include "bios/BiosFileChecks.h"
#include "bios/ImageLayout.h"

namespace rz::bios {

ExtractResult ExtractMatchingImages(platform::File& source, platform::File& out,
                                    std::uint8_t cardNumber, std::span<std::uint8_t> buffer) {
  std::array<std::uint8_t, kPackageHeaderSize> header{};
  if (!source.Seek(0, platform::SeekOrigin::Begin)) return ExtractResult::NotPackage;
  const std::size_t headerBytes = source.Read(header.data(), header.size());
  const Bytes head(header.data(), headerBytes);
  if (!IsPackage(head)) return ExtractResult::NotPackage;

  for (std::uint32_t offset : ReadPackageSlots(head)) {
    if (offset == 0) continue;
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    if (!source.Seek(offset, platform::SeekOrigin::Begin)) continue;
    const std::size_t n = source.Read(buffer.data(), buffer.size());
    const Bytes read(buffer.data(), n);
    const auto length = ReadImageLength(read);
    if (!length || *length > n) continue;
    const Bytes image = read.first(*length);
    if (!ImageMatchesCard(image, cardNumber)) continue;
    if (out.Write(image.data(), image.size()) != image.size()) return ExtractResult::WriteFailed;
  }
  return ExtractResult::Extracted;
}

}  // namespace rz::bios
