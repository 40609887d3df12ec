// SPDX-License-Identifier: GPL-3.0-or-later
// Little-endian helpers: the byte order in the buffer, whatever the host's, and unaligned places.
#include <gtest/gtest.h>

#include <array>

#include "base/LittleEndian.h"

namespace rz::test {
namespace {

TEST(LittleEndian, BytesAreLeastSignificantFirstAtAnyAlignment) {
  for (std::size_t at = 0; at < 4; ++at) {
    std::array<std::uint8_t, 12> b{};
    b.fill(0xEE);
    le::Put32(&b[at], 0x11223344u);
    le::Put16(&b[at + 4], 0xA1B2u);
    const std::array<std::uint8_t, 6> expected = {0x44, 0x33, 0x22, 0x11, 0xB2, 0xA1};
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(b[at + i], expected[i]) << at;
    if (at > 0) {
      EXPECT_EQ(b[at - 1], 0xEE) << "nothing written before";
    }
    EXPECT_EQ(b[at + 6], 0xEE) << "nothing written after";
    EXPECT_EQ(le::Get32(&b[at]), 0x11223344u);
    EXPECT_EQ(le::Get16(&b[at + 4]), 0xA1B2u);
    EXPECT_EQ(le::Get32(&b[at + 2]), 0xA1B21122u);
  }
}

}  // namespace
}  // namespace rz::test
