// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/scenario/LoadMachine.h"

#include <filesystem>

#include "base/Utf8Path.h"
#include "sim/scenario/Presets.h"

namespace rz::sim {

namespace {

// What a name that is neither a preset nor a file leaves the user to choose from.
std::string NoSuchMachine(const std::string& machine) {
  std::string text = "no preset or scenario file named " + machine + " exists; the presets are: ";
  const auto presets = ListPresets();
  for (std::size_t i = 0; i < presets.size(); ++i) text += (i ? ", " : "") + presets[i].name;
  return text;
}

}  // namespace

LoadedMachine LoadMachine(const std::string& machine) {
  LoadedMachine loaded;
  loaded.folder = std::make_unique<platform::RunFolder>(platform::RunFolderKind::Machine);
  const bool preset = IsPreset(machine);
  std::error_code ec;
  if (!preset && !std::filesystem::exists(PathFromUtf8(machine), ec))
    throw ScenarioError(NoSuchMachine(machine));
  if (preset && loaded.folder->Path().empty()) throw ScenarioError(loaded.folder->Error());
  loaded.recipe = preset ? MaterializePreset(machine, loaded.folder->Path())
                         : LoadScenarioFile(machine);
  // A scenario file is the user's practice machine, whose files outlive the run: its backups and
  // history are stamped with the real time unless the file fixes the calendar. A preset starts
  // afresh in a temporary folder on every run, on the fixed calendar its texts are known by.
  if (!preset && !loaded.recipe.calendarStart) loaded.recipe.realCalendar = true;
  return loaded;
}

}  // namespace rz::sim
