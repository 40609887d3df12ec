// SPDX-License-Identifier: GPL-3.0-or-later
// Scenario files and images for the end-to-end suite: the presets' card images rebuilt the way
// the presets build them, and scenario machines written into a sandbox for full control.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "CliRunner.h"
#include "sim/images/TestImage.h"

namespace rz::e2e {

// The card image of the NVIDIA presets with a "$RZ" block (model RZ-PX4R7, version F4, card 0).
testimage::ImageRecipe PresetNvidiaImage();
// The card image of the "ati" preset (0x9442/0x21B8, model text RZ-HD485/F2, ATOM header).
testimage::ImageRecipe PresetAtiImage();

// An ATI image for the same board with another model text and filler.
testimage::ImageRecipe AtiImage(std::uint16_t subsystemId, const std::string& modelText);

// An NVIDIA board (device 0x0191) with `chip`, whose EEPROM starts as `image` and persists in
// "card.rom"; RZFLASH.CFG lists its graphics chip. `eeprom` keys are merged into the chip.
nlohmann::json NvidiaMachine(const CliSandbox& box, const std::string& chip,
                             std::uint16_t subsystemId, const std::vector<std::uint8_t>& image,
                             const nlohmann::json& eeprom = nlohmann::json::object());

// An ATI board of the maker (device 0x9442) whose BIOS persists in "ati-card.rom", with the
// vendor tool in the program folder. No driver version: the registry names none.
nlohmann::json AtiMachine(const CliSandbox& box, std::uint16_t subsystemId,
                          const std::vector<std::uint8_t>& image,
                          std::optional<std::string> driverVersion = "8.542.0.0",
                          const nlohmann::json& vendorTool = "ok");

// The vendor tool below the program folder, in the transcript's form ("/" between folders).
#ifdef _WIN32
inline constexpr const char* kToolFile = "tool/ATIWinflash.exe";
#else
inline constexpr const char* kToolFile = "tool/ATIWinflash";
#endif

// The transcript line of a launch of the tool in the program folder of `folderTag` ("<tmp>" for
// a preset, "<dir>" for a scenario in the sandbox) with the parameter text `args`.
std::string Launch(const std::string& folderTag, const std::string& args);
// Such a line up to its parameter text.
std::string LaunchPrefix(const std::string& folderTag);

// `a` followed by `b`.
Lines Join(Lines a, const Lines& b);

// The lines of a transcript after the first line that begins with `prefix` (nothing when none).
Lines After(const Lines& lines, const std::string& prefix);

}  // namespace rz::e2e
