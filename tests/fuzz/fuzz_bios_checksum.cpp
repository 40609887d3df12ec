// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the image checksum: the sum equals the 8-bit sum of the image's length-byte x 512 bytes
// (or of the whole file when shorter, then reported as cut short); a file shorter than its header
// or of length 0 is no image.
#include <algorithm>

#include "bios/BiosFileChecks.h"
#include "FuzzBios.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rz;
  auto fs = fuzz::FileOf(data, size);
  std::uint8_t sum = 0;
  const auto status = bios::ImageChecksum(fs, "f.rom", sum);
  if (size < 3 || data[2] == 0) {
    fuzz::Require(status == bios::ChecksumStatus::NoImage);
  } else {
    const std::size_t length = std::size_t{data[2]} * 512;
    fuzz::Require(status == (size < length ? bios::ChecksumStatus::Truncated
                                           : bios::ChecksumStatus::Summed));
    std::uint8_t expect = 0;
    const std::size_t n = std::min(size, length);
    for (std::size_t i = 0; i < n; ++i) expect = static_cast<std::uint8_t>(expect + data[i]);
    fuzz::Require(sum == expect);
  }
  fuzz::g_sink = fuzz::g_sink + sum;
  return 0;
}
