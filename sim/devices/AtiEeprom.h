// SPDX-License-Identifier: GPL-3.0-or-later
// The `eeprom` object of an emulated ATI adapter: "image" (a file, relative to the scenario's
// folder), "persist" (write the EEPROM back to that file at the end of the run) and "size" (bytes;
// default the image's size, or 64 KiB erased).
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rz::sim {

class ScenarioObject;

inline constexpr std::size_t kAtiDefaultEepromSize = 0x10000;
inline constexpr std::size_t kAtiMaxEepromSize = 0x1000000;

struct AtiEeprom {
  std::string imagePath;            // absolute; empty: the EEPROM starts erased
  std::optional<std::size_t> size;  // absent: the image's size
  bool persist = false;
  // What the EEPROM holds when its image file does not exist (or none is named); none: erased.
  std::optional<std::vector<std::uint8_t>> factoryImage;
};

// Reads an ATI adapter's `eeprom` object; `baseDirectory` is the folder relative image paths are
// taken against. Throws ScenarioError.
AtiEeprom ParseAtiEeprom(ScenarioObject& eeprom, const std::string& baseDirectory);

}  // namespace rz::sim
