// SPDX-License-Identifier: GPL-3.0-or-later
// The flash job's process-wide image buffer: 65,536 bytes and the length of the image held.
#pragma once
#include <cstdint>
#include <vector>

namespace rz::eeprom {

inline constexpr std::uint32_t kImageBufferSize = 0x10000;

struct ImageBuffer {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kImageBufferSize);
  std::uint32_t length = 0;  // 0: no image loaded
};

}  // namespace rz::eeprom
