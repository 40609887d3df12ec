// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated machine a front end runs on, loaded one way for all of them: a preset written into
// a run folder made for it (a killed run's folder is cleared by the next run), or a scenario file.
#pragma once
#include <memory>
#include <string>

#include "host/RunFolder.h"
#include "sim/scenario/Scenario.h"

namespace rz::sim {

struct LoadedMachine {
  // Holds the preset's files for as long as the run lasts: keep it beside the machine built from
  // `recipe`.
  std::unique_ptr<platform::RunFolder> folder;
  ScenarioRecipe recipe;  // its warnings are for the front end to show
};

// `machine` is a preset name or the path of a scenario file. Throws ScenarioError when the machine
// cannot be loaded: an unknown preset, a scenario that does not parse, a preset without a folder.
// A scenario file without "calendar_start" starts at the real local time; a preset at its fixed
// one.
LoadedMachine LoadMachine(const std::string& machine);

}  // namespace rz::sim
