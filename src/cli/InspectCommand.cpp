// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InspectCommand.h"

#include <memory>
#include <string>

#include "app/ExitCodes.h"
#include "app/ProgramFolders.h"
#include "bios/FileInspection.h"
#include "cli/InspectReport.h"
#include "config/AsicTable.h"
#include "platform/HostPlatform.h"
#include "sim/scenario/LoadMachine.h"

namespace rz::cli {
namespace {

void Say(std::FILE* to, const std::string& line) {
  std::fprintf(to, "%s\n", line.c_str());
  std::fflush(to);
}

// The folder RZFLASH.CFG is read from: the --machine's program folder (a preset's lives as long
// as `machine`), else the program's own. Throws sim::ScenarioError when the machine cannot be
// loaded.
std::string ConfigFolder(const Options& o, platform::FileSystem& files, sim::LoadedMachine& machine) {
  if (!o.machine) return app::ResolveProgramFolders(platform::HostExecutablePath(), files, {}).program;
  machine = sim::LoadMachine(*o.machine);
  return machine.recipe.programFolder;
}

}  // namespace

int RunInspect(const Options& o, std::FILE* human, RunEnd& end) {
  const auto files = platform::MakeHostFileSystem();
  sim::LoadedMachine machine;
  std::string folder;
  try {
    folder = ConfigFolder(o, *files, machine);
  } catch (const sim::ScenarioError& e) {
    Say(stderr, std::string("rzflash-cli: ") + e.what());
    end.AddProblem(e.what());
    return app::kExitUsage;
  }
  config::AsicTable table;
  const bool tableRead = config::ReadAsicTable(table, folder, *files);
  InspectConfig config{tableRead ? &table : nullptr, table.path};

  std::string why;
  const auto inspection = bios::InspectFile(*files, o.file, why);
  if (auto* json = end.Json()) json->Key("file").String(o.file);
  if (!inspection) {
    Say(stderr, "rzflash-cli: " + why);
    end.AddProblem(why);
    return app::kExitFailed;
  }
  for (const auto& line : InspectLines(o.file, *inspection, config)) Say(human, line);
  if (auto* json = end.Json()) WriteInspectMembers(*json, *inspection, config);
  if (inspection->HoldsImage()) return app::kExitOk;
  const std::string problem = o.file + " holds no BIOS image: " + inspection->NoImageReason();
  Say(stderr, "rzflash-cli: " + problem);
  end.AddProblem(problem);
  return app::kExitFailed;
}

}  // namespace rz::cli
