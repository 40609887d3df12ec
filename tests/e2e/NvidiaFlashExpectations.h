// SPDX-License-Identifier: GPL-3.0-or-later
// What the flash tests on the NVIDIA road expect to see: the busy and blank lines, the restart
// question answered either way, a chip holding an image and nothing else.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CliRunner.h"
#include "Machines.h"

namespace rz::e2e::nvflash {

inline const char* const kBusy = "status: Please wait a moment ...DO NOT shut down this computer";
inline const char* const kBlank = "msg: The screen may go *BLANK* during EEPROM flash";
inline const char* const kRestartNo =
    "yesno -> no: You must restart your system to take new changes.\\nDo you want to restart now ?";
inline const char* const kRestartYes =
    "yesno -> yes: You must restart your system to take new changes.\\nDo you want to restart now ?";

// The transcript line of the safety backup at `path` (its digest is checked where copies are).
inline std::string KeptBackup(const std::string& path) {
  return "kept safety-backup sha256 <sha256>: " + path;
}
inline const std::string kFirstBackup = "program/Backups/PX4R7.F4-20260101-000001.rom";

inline testimage::ImageRecipe Newer() {
  testimage::ImageRecipe s = PresetNvidiaImage();
  s.block->number = 5;
  s.seed = 9;
  return s;
}

// Newer() with one change.
inline testimage::ImageRecipe With(void (*change)(testimage::ImageRecipe&)) {
  testimage::ImageRecipe s = Newer();
  change(s);
  return s;
}

// The card's chip holds `image` from offset 0 and nothing else was written.
inline void ExpectChipHolds(const std::vector<std::uint8_t>& chip, const std::vector<std::uint8_t>& image) {
  ASSERT_GE(chip.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), chip.begin()));
  EXPECT_TRUE(std::all_of(chip.begin() + static_cast<long>(image.size()), chip.end(),
                          [](std::uint8_t b) { return b == 0xFF; }));
}

inline bool HasLabelLines(const Lines& lines) {
  return std::any_of(lines.begin(), lines.end(),
                     [](const std::string& l) { return l.rfind("label ", 0) == 0; });
}

}  // namespace rz::e2e::nvflash
