// SPDX-License-Identifier: GPL-3.0-or-later
// What the end-to-end tests of requests to stop share: the old and the new BIOS of an emulated
// NVIDIA board, where on the machine's requests a flash holds requests to stop, and the flash
// command run in-process on a scenario for comparison.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "commands/FlashCommand.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/ScriptedUi.h"

namespace rz::e2e {

inline constexpr const char* kHeldNotice =
    "Flashing: the card must not be interrupted; the program will stop when the flash is done.\n";
inline constexpr const char* kRestartQuestion = "You must restart your system to take new changes.";

// The presets' NVIDIA image, and a newer one (block number 5, other filler) for the same board.
std::vector<std::uint8_t> OldImage();
std::vector<std::uint8_t> NewImage();

// Whether the chip holds `image` from offset 0 and is blank after it.
bool ChipHolds(const std::vector<std::uint8_t>& chip, const std::vector<std::uint8_t>& image);

// How often `part` occurs in `text`.
std::size_t Count(const std::string& text, const std::string& part);

struct HoldSpan {
  std::uint64_t begin = 0;  // machine requests before the erase's first
  std::uint64_t end = 0;    // and when the verification ended
};

// The flash command run in-process on the machine of `scenario`, the open dialog answered with
// `file`; `onLaunch` (may be null) is called at each launch of the vendor tool with the machine
// and the launch's parameters.
struct InProcessFlash {
  InProcessFlash(const std::string& scenario, const std::string& file,
                 std::function<void(sim::EmulatedPlatform&, const std::string&)> onLaunch = nullptr);
  bool AskedToRestart() const;

  sim::EmulatedPlatform platform;
  ui::ScriptedUi ui;
  commands::FlashOutcome outcome = commands::FlashOutcome::NotStarted;
};

// Where the flash of NewImage() over OldImage() on an NVIDIA board with `chip` holds requests to
// stop, in machine requests from the start: the same machine and flash run in-process (the
// terminal asks nothing before the flash, so the counts agree).
HoldSpan MeasureHold(const std::string& chip);

}  // namespace rz::e2e
