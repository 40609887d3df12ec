// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the chip until two reads agree. A chip with a weak cell, a loose contact or a marginal
// supply can read differently each time; a copy taken from one such read looks like a good BIOS
// and is not one. Every copy the program keeps of a card's BIOS is read this way.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "eeprom/EepromContext.h"

namespace rz::eeprom {

inline constexpr const char* kUnstableReadText =
    "The card's EEPROM does not read the same twice. Nothing was written to the card.";
inline constexpr const char* kUnstableSaveText =
    "The card's EEPROM does not read the same twice. Nothing was saved.";

// The most whole reads one copy takes: the first two, and a few more when they disagree.
inline constexpr int kMostReads = 5;

enum class StableRead {
  Agreed,     // two reads gave the same bytes: `contents` holds them
  Disagreed,  // no two of kMostReads reads agreed
  Failed,     // a read failed (memory, a driver request); its message was shown
};

// The whole read numbered `n` (from 0) into `out`; false when it failed.
using ChipRead = std::function<bool(int n, std::vector<std::uint8_t>& out)>;

// The progress phase of read `n`: `first` for the first read, Checking for the reads after it.
ui::Phase ReadPhase(int n, ui::Phase first);

// Reads with `read` until the newest read equals an earlier one, at most kMostReads times.
StableRead ReadUntilTwoAgree(const ChipRead& read, std::vector<std::uint8_t>& contents);

// ReadWholeChip until two reads agree, the first one's progress shown as `phase`.
StableRead ReadWholeChipTwice(EepromContext& ctx, std::uint8_t chipCode, std::uint32_t size,
                              std::vector<std::uint8_t>& contents, ui::Phase phase);

}  // namespace rz::eeprom
