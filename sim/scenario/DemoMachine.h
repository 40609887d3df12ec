// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated machine of the windowed demos: a preset name or a scenario file, with the program
// files shipped beside the demo (skin, help file, configuration) copied into the machine's program
// folder where it lacks them.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "host/RunFolder.h"
#include "sim/seams/EmulatedPlatform.h"

namespace rz::sim {

struct DemoMachine {
  std::unique_ptr<platform::RunFolder> folder;  // a preset's files, for as long as the run lasts
  std::unique_ptr<EmulatedPlatform> platform;
  std::vector<std::string> warnings;  // of the scenario, and files that could not be copied
};

// Throws ScenarioError (or another std::exception) when the machine cannot be loaded.
DemoMachine LoadDemoMachine(const std::string& machine, const std::string& shippedFolder);

// The demo's usage with the list of presets, after `problem`.
std::string DemoUsage(const std::string& program, const std::string& problem);

}  // namespace rz::sim
