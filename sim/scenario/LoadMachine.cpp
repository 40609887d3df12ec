#include "sim/scenario/LoadMachine.h"

#include "sim/scenario/Presets.h"

namespace rz::sim {

LoadedMachine LoadMachine(const std::string& machine) {
  LoadedMachine loaded;
  loaded.folder = std::make_unique<platform::RunFolder>(platform::RunFolderKind::Machine);
  const bool preset = IsPreset(machine);
  if (preset && loaded.folder->Path().empty()) throw ScenarioError(loaded.folder->Error());
  loaded.recipe = preset ? MaterializePreset(machine, loaded.folder->Path())
                         : LoadScenarioFile(machine);
  return loaded;
}

}  // namespace rz::sim
