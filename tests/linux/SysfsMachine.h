// SPDX-License-Identifier: GPL-3.0-or-later
// The machine the sysfs tests lay out: a host bridge, a network card and the maker's display card
// with the BARs of a real board, and a count of this process's open descriptors.
#pragma once
#include <dirent.h>

#include <cstddef>
#include <cstdint>

#include "linux/FakeSysfsTree.h"

namespace rz::test::sysfs {

inline constexpr std::uint32_t kBarStart = 0xF6000000;
inline constexpr std::uint32_t kBarSize = 0x1000000;  // 16 MiB of registers, as on the maker's boards
inline constexpr const char* kCard = "0000:01:00.0";
inline constexpr const char* kNic = "0000:00:03.0";

inline std::size_t OpenDescriptors() {
  std::size_t n = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (::readdir(d)) ++n;
    ::closedir(d);
  }
  return n;
}

// A host bridge, a network card with a memory BAR, and the maker's display card with a PCI
// Express capability and the BARs of a real board: 16 MiB of registers at BAR0, a 256 MiB 64-bit
// prefetchable framebuffer at BAR1 and an I/O BAR5.
inline void LayOutMachine(const FakeSysfsTree& tree) {
  tree.Add({"0000:00:00.0", 0x8086, 0x0D57, 0x060000, 0, {}, {}});
  tree.Add({kNic, 0x1AF4, 0x1041, 0x020000, 0x00011AF4, {0x11}, {{1, 0xF7000000, 0x1000}}});
  tree.Add({kCard, 0x10DE, 0x1234, 0x030000, kMakerSubsystemVendorId | 0x56780000u, {0x01, 0x10},
            {{0, kBarStart, kBarSize},
             {1, 0xE0000000, 0x10000000, 0x14220C},
             {5, 0xF5000000, 0x80, 0x40101}}});
}

}  // namespace rz::test::sysfs
