// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/StableRead.h"

#include <algorithm>

#include "eeprom/ReadBack.h"

namespace rz::eeprom {

ui::Phase ReadPhase(int n, ui::Phase first) { return n == 0 ? first : ui::Phase::Checking; }

StableRead ReadUntilTwoAgree(const ChipRead& read, std::vector<std::uint8_t>& contents) {
  std::vector<std::vector<std::uint8_t>> reads;
  for (int n = 0; n < kMostReads; ++n) {
    std::vector<std::uint8_t> next;
    if (!read(n, next)) return StableRead::Failed;
    if (std::find(reads.begin(), reads.end(), next) != reads.end()) {
      contents = std::move(next);
      return StableRead::Agreed;
    }
    reads.push_back(std::move(next));
  }
  return StableRead::Disagreed;
}

StableRead ReadWholeChipTwice(EepromContext& ctx, std::uint8_t chipCode, std::uint32_t size,
                              std::vector<std::uint8_t>& contents, ui::Phase phase) {
  return ReadUntilTwoAgree(
      [&](int n, std::vector<std::uint8_t>& out) {
        return ReadWholeChip(ctx, chipCode, size, out, ReadPhase(n, phase));
      },
      contents);
}

}  // namespace rz::eeprom
