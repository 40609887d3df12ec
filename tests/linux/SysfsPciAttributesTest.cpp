// SPDX-License-Identifier: GPL-3.0-or-later
// Parsing the sysfs PCI attributes the access method relies on: the `resource` table, hex
// attributes and device folder names.
#include <gtest/gtest.h>

#include "backends/linux/access/SysfsPciAttributes.h"

namespace rz::test {
namespace {

namespace lx = platform;

TEST(SysfsPciAttributes, ResourceLinesGiveTheSixBars) {
  const std::string text =
      "0x00000000f6000000 0x00000000f6ffffff 0x0000000000040200\n"
      "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
      "0x0000004000100000 0x000000400017ffff 0x0000000000140204\n"
      "0x000000000000e000 0x000000000000e07f 0x0000000000040101\n"
      "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
      "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
      "0x00000000000c0000 0x00000000000dffff 0x0000000000000212\n";  // the ROM: not a BAR
  const auto bars = lx::ParseResourceBars(text);
  ASSERT_EQ(bars.size(), 6u);
  EXPECT_EQ(bars[0].start, 0xF6000000u);
  EXPECT_EQ(bars[0].end, 0xF6FFFFFFu);
  EXPECT_TRUE(bars[0].IsMemory());
  EXPECT_EQ(bars[2].start, 0x4000100000u);
  EXPECT_TRUE(bars[2].IsMemory());
  EXPECT_FALSE(bars[3].IsMemory()) << "an I/O BAR";
  EXPECT_FALSE(bars[1].IsMemory()) << "unused";
  EXPECT_EQ(bars[5].index, 5);

  struct Case {
    std::uint64_t first, length;
    bool held;
  } cases[] = {{0xF6000000, 1, true},          {0xF6000000, 0x1000000, true},
               {0xF6FFFFFF, 1, true},          {0xF6FFFFFF, 2, false},
               {0xF5FFFFFF, 2, false},         {0xF6000000, 0, false},
               {0xF6000000, 0x1000001, false}, {0xFFFFFFFFFFFFFFF0u, 0x20, false}};
  for (const auto& c : cases) EXPECT_EQ(bars[0].Holds(c.first, c.length), c.held) << std::hex << c.first;

  // The part of a range from inside the 16 MiB BAR0 that the BAR holds.
  struct Part {
    std::uint64_t first;
    std::uint32_t length, held;
  } parts[] = {{0xF6000000, 0x2000000, 0x1000000}, {0xF6000000, 0x1000000, 0x1000000},
               {0xF6000000, 0xFFFFFF, 0xFFFFFF},    {0xF6FFFFFF, 0xFFFFFFFF, 1},
               {0xF6FFF000, 0x2000, 0x1000},        {0xF6001000, 4, 4}};
  for (const auto& p : parts) EXPECT_EQ(bars[0].HeldPart(p.first, p.length), p.held) << std::hex << p.first;

  EXPECT_EQ(lx::ParseResourceBars("0x1000 0x1fff 0x200\nbroken line\n0x0 0x0 0x0\n").size(), 1u);
  EXPECT_TRUE(lx::ParseResourceBars("0x1000 0x1fff\n").empty());
  EXPECT_TRUE(lx::ParseResourceBars("0x1000 0x1fff 0x200 0x1\n").empty());
  EXPECT_TRUE(lx::ParseResourceBars("1000 1fff 200\n").empty());
}

TEST(SysfsPciAttributes, HexAttributesAndDeviceNames) {
  EXPECT_EQ(lx::ParseHexAttribute("0x030000\n"), 0x030000u);
  EXPECT_EQ(lx::ParseHexAttribute("0x10de"), 0x10DEu);
  EXPECT_EQ(lx::ParseHexAttribute("0x"), std::nullopt);
  EXPECT_EQ(lx::ParseHexAttribute("030000"), std::nullopt);
  EXPECT_EQ(lx::ParseHexAttribute("0x03000g"), std::nullopt);
  EXPECT_EQ(lx::ParseHexAttribute("0x100000000"), std::nullopt);

  struct Case {
    const char* name;
    int bus, device, function;  // -1: refused
  } cases[] = {{"0000:00:00.0", 0, 0, 0},  {"0000:0a:1f.7", 10, 31, 7}, {"0000:FF:02.1", 255, 2, 1},
               {"0001:00:00.0", -1, 0, 0}, {"0000:00:20.0", -1, 0, 0},  {"0000:00:00.8", -1, 0, 0},
               {"0000:00:00", -1, 0, 0},   {"0000-00:00.0", -1, 0, 0},  {"0000:0g:00.0", -1, 0, 0}};
  for (const auto& c : cases) {
    const auto at = lx::ParseDeviceName(c.name);
    ASSERT_EQ(at.has_value(), c.bus >= 0) << c.name;
    if (!at) continue;
    EXPECT_EQ(at->bus, c.bus) << c.name;
    EXPECT_EQ(at->device, c.device) << c.name;
    EXPECT_EQ(at->function, c.function) << c.name;
  }
}

}  // namespace
}  // namespace rz::test
