// SPDX-License-Identifier: GPL-3.0-or-later
// Named emulated machines. A preset is a scenario description plus the files of its program
// folder (RZFLASH.CFG, BIOS images, stock BIOS files), written into a folder given by the caller.
#pragma once
#include <string>
#include <vector>

#include "sim/scenario/Scenario.h"

namespace rz::sim {

struct PresetInfo {
  std::string name;
  std::string description;
};

std::vector<PresetInfo> ListPresets();
bool IsPreset(const std::string& name);

// Writes the preset's files into `folder` (which must exist) and returns its scenario, whose
// program folder and working directory lie in `folder`. Throws ScenarioError for unknown names.
ScenarioRecipe MaterializePreset(const std::string& name, const std::string& folder);

}  // namespace rz::sim
