// SPDX-License-Identifier: GPL-3.0-or-later
// Lines of the kernel's /proc/bus/pci/devices for tests of the raw access method.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace rz::test {

// One device line as the kernel prints it: bus and devfn ("0100"), vendor and device ids, irq 0,
// the bases (type bits included) and sizes of BARs 0-5 given as (index, base, size), no ROM, no
// driver.
inline std::string ProcPciLine(const char* busDevfn, std::uint32_t ids,
                               const std::vector<std::tuple<int, std::uint64_t, std::uint64_t>>& bars) {
  std::uint64_t base[7] = {}, size[7] = {};
  for (const auto& [i, b, s] : bars) {
    base[i] = b;
    size[i] = s;
  }
  char field[24];
  std::snprintf(field, sizeof field, "%s\t%08x\t0", busDevfn, ids);
  std::string line = field;
  for (const std::uint64_t* column : {base, size})
    for (int i = 0; i < 7; ++i) {
      std::snprintf(field, sizeof field, "\t%16llx", static_cast<unsigned long long>(column[i]));
      line += field;
    }
  return line + "\t\n";
}

}  // namespace rz::test
