// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the extraction of a "$RZ0" package: any file must be read within bounds, and what is
// written is a sequence of whole images, each within the buffer and carrying the card's number.
#include <vector>

#include "bios/BiosFileChecks.h"
#include "bios/ImageLayout.h"
#include "bios/PackageExtract.h"
#include "FuzzBios.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rz;
  const std::uint8_t cardNumber = size > 4 ? data[4] : 0xFF;  // first slot's low byte
  auto in = std::make_shared<platform::ByteVector>(data, data + size);
  auto out = std::make_shared<platform::ByteVector>();
  platform::MemoryFile source(in), target(out);
  std::vector<std::uint8_t> buffer(bios::kPackageImageBufferSize);
  const auto r = bios::ExtractMatchingImages(source, target, cardNumber, buffer);
  if (r == bios::ExtractResult::NotPackage) fuzz::Require(out->empty());
  // The output splits into images whose own length bytes give their lengths.
  std::size_t at = 0;
  while (at < out->size()) {
    const bios::Bytes rest = bios::Bytes(*out).subspan(at);
    const auto length = bios::ReadImageLength(rest);
    fuzz::Require(length && *length > 0 && *length <= bios::kPackageImageBufferSize &&
                  *length <= rest.size());
    fuzz::Require(bios::ImageMatchesCard(rest.first(*length), cardNumber));
    at += *length;
  }
  fuzz::g_sink = fuzz::g_sink + static_cast<std::uint32_t>(out->size());
  return 0;
}
