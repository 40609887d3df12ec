// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the kernel's PCI device list the raw access method keeps its maps inside: BAR bases with
// their type bits, sizes, unused BARs, and lines that are not device lines. (A list that cannot be
// read is in the map tests.)
#include <gtest/gtest.h>

#include "backends/linux/access/ProcPciDevices.h"

namespace rz::test {
namespace {

namespace lx = platform;

TEST(ProcPciDevices, GivesEveryDevicesSizedBars) {
  // Two lines as the kernel prints them (addresses padded to 16 places, the driver last), a line
  // cut short and one with a field that is not a number.
  const std::string text =
      "0010\t80861237\t0\t               0\t               0\t               0\t"
      "               0\t               0\t               0\t               0\t"
      "               0\t               0\t               0\t               0\t"
      "               0\t               0\t               0\t\n"
      "0100\t10de0191\t10\t        f6000000\t        e000000c\t               0\t"
      "        f4000004\t               0\t            c001\t        f7000000\t"
      "         1000000\t        10000000\t               0\t         2000000\t"
      "               0\t              80\t           20000\tnouveau\n"
      "0018\t1af41041\t0\t        f7100000\n"
      "0020\t1af41041\t0\t        f7200000\t               0\t               0\t"
      "               0\t               0\t               0\t               0\t"
      "            zzzz\t               0\t               0\t               0\t"
      "               0\t               0\t               0\t\n";
  const auto bars = lx::ParseProcPciDevices(text);
  struct Want {
    int index;
    std::uint64_t start, end;
    bool memory;
  } want[] = {
      {0, 0xF6000000, 0xF6FFFFFF, true},  // registers, 16 MiB
      {1, 0xE0000000, 0xEFFFFFFF, true},  // 64-bit prefetchable: the type bits are not address
      {3, 0xF4000000, 0xF5FFFFFF, true},
      {5, 0xC000, 0xC07F, false},         // I/O
  };
  ASSERT_EQ(bars.size(), std::size(want));
  for (std::size_t i = 0; i < bars.size(); ++i) {
    EXPECT_EQ(bars[i].index, want[i].index) << i;
    EXPECT_EQ(bars[i].start, want[i].start) << i;
    EXPECT_EQ(bars[i].end, want[i].end) << i;
    EXPECT_EQ(bars[i].IsMemory(), want[i].memory) << i;
  }
  EXPECT_TRUE(lx::ParseProcPciDevices("").empty());
}

}  // namespace
}  // namespace rz::test
