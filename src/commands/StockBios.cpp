// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/StockBios.h"

#include "base/Paths.h"

namespace rz::commands {

namespace {

struct StockRow {
  std::uint16_t subsystemId;
  const char* oneDigit;   // file for a card version with one version character
  const char* twoDigits;  // with two
};

constexpr StockRow kStockFiles[] = {
    {0x34C8, "PX4R7H.F4_C", "PX4R7H.F12_C"},
    {0x34CA, "PX4R7I.F2_C", "PX4R7I.F11_C"},
    {0x34CE, "PX57QT7I.F2_C", "PX57QT7I.F21_C"},
    {0x34D1, "PX57QT7H.F3_C", nullptr},
};

}  // namespace

bool HasStockBiosOffer(std::uint16_t subsystemId) {
  for (const auto& row : kStockFiles)
    if (row.subsystemId == subsystemId) return true;
  return false;
}

void PickStockBios(const std::string& programFolder, std::uint16_t subsystemId, int digitCount,
                   std::string& path, std::string& displayName) {
  path.clear();
  displayName.clear();
  for (const auto& row : kStockFiles) {
    if (row.subsystemId != subsystemId) continue;
    const char* file = digitCount == 1 ? row.oneDigit : digitCount == 2 ? row.twoDigits : nullptr;
    if (!file) return;
    displayName = file;
    path = programFolder + kStockBiosFolder + kPathSeparator + file;
    return;
  }
}

}  // namespace rz::commands
