// SPDX-License-Identifier: GPL-3.0-or-later
// Image layout readers the flash job uses: the plain-image signature, the PCI data pointer and
// the card number of the first or last "$RZ" block.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "bios/ImageLayout.h"

namespace rz::test {
namespace {

using bios::BlockPick;
using Bytes = std::vector<std::uint8_t>;

using Block = std::pair<std::size_t, std::uint8_t>;  // position of the "$", card number

Bytes WithBlocks(std::size_t size, std::initializer_list<Block> blocks) {
  Bytes image(size, 0x00);
  for (const auto& [at, number] : blocks) {
    image[at] = '$';
    image[at + 1] = 'R';
    image[at + 2] = 'Z';
    if (at + 0x0E < size) image[at + 0x0E] = number;
  }
  return image;
}

TEST(BiosImageLayout, BlockCardNumber) {
  struct Case {
    const char* name;
    Bytes image;
    std::optional<std::uint8_t> first, last;
  };
  const Case cases[] = {
      {"no block", WithBlocks(0x400, {}), std::nullopt, std::nullopt},
      {"one block", WithBlocks(0x400, {{0x100, 7}}), 7, 7},
      {"two blocks", WithBlocks(0x400, {{0x100, 7}, {0x200, 9}}), 7, 9},
      {"before the search start", WithBlocks(0x400, {{0x7F, 7}}), std::nullopt, std::nullopt},
      {"at the search start", WithBlocks(0x400, {{0x80, 3}}), 3, 3},
      {"number cut off by the image end", WithBlocks(0x208, {{0x100, 7}, {0x200, 9}}), 7,
       std::nullopt},
      {"last position searched", WithBlocks(0x10010, {{0xFFFE, 4}}), 4, 4},
      {"beyond the last position", WithBlocks(0x10010, {{0xFFFF, 4}}), std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(bios::BlockCardNumber(c.image, BlockPick::First), c.first);
    EXPECT_EQ(bios::BlockCardNumber(c.image, BlockPick::Last), c.last);
  }
}

TEST(BiosImageLayout, PlainImageAndPciDataPointer) {
  EXPECT_TRUE(bios::IsPlainImage(Bytes{0x55, 0xAA, 0x10}));
  EXPECT_FALSE(bios::IsPlainImage(Bytes{0xAA, 0x55, 0x10}));
  EXPECT_FALSE(bios::IsPlainImage(Bytes{0x55}));
  Bytes image(0x1A, 0);
  image[0x18] = 0x34;
  image[0x19] = 0x12;
  EXPECT_EQ(bios::ReadPciDataPointer(image), std::optional<std::uint16_t>(0x1234));
  image.pop_back();
  EXPECT_EQ(bios::ReadPciDataPointer(image), std::nullopt);
}

}  // namespace
}  // namespace rz::test
