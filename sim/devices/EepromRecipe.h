// SPDX-License-Identifier: GPL-3.0-or-later
// The `eeprom` object of an emulated NVIDIA adapter: which chip, the image that fills it, whether
// the contents go back to that file at the end, timing overrides, the block protection a serial
// chip starts with (kept in the model) and chip faults (from the
// scenario's `faults` object, overridden per chip by the eeprom's own `faults`).
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "sim/devices/ChipModel.h"
#include "sim/devices/FlashChip.h"

namespace rz::sim {

class ScenarioObject;

struct EepromRecipe {
  ChipModel model;
  std::string imagePath;  // absolute; empty: the chip starts erased
  bool persist = false;
  ChipFaults faults;
  std::optional<std::uint32_t> strap;  // raw value of register 0x101000 instead of the default
  // What the chip holds when its image file does not exist (or none is named); none: erased.
  std::optional<std::vector<std::uint8_t>> factoryImage;
};

// Reads the chip fault keys of a `faults` object into `into` (keys that are absent keep their
// value). Throws ScenarioError for malformed values.
void ReadChipFaults(ScenarioObject& faults, ChipFaults& into);

// Parses an adapter's `eeprom` object; `scenarioFaults` are the chip faults of the scenario's
// `faults` object (the eeprom's own `faults` override them) and `baseDirectory` the folder
// relative image paths are taken against. Throws ScenarioError.
EepromRecipe ParseEepromRecipe(ScenarioObject& eeprom, const ChipFaults& scenarioFaults,
                           const std::string& baseDirectory);

}  // namespace rz::sim
