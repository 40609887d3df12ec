// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/scenario/DemoMachine.h"

#include <filesystem>

#include "sim/scenario/LoadMachine.h"
#include "sim/scenario/Presets.h"

namespace rz::sim {

namespace {

namespace fs = std::filesystem;

fs::path Utf8Path(const std::string& s) {
  return fs::path(std::u8string(s.begin(), s.end()));
}

// Copies the program files shipped beside the demo into `programFolder` where they are missing.
void ProvideProgramFiles(const fs::path& shipped, const fs::path& programFolder,
                         std::vector<std::string>& warnings) {
  std::error_code ec;
  fs::create_directories(programFolder, ec);
  for (const char* name : {"Skin", "HELP.CHM", "RZFLASH.CFG"}) {
    const fs::path from = shipped / name;
    const fs::path to = programFolder / name;
    if (!fs::exists(from) || fs::exists(to)) continue;
    fs::copy(from, to, fs::copy_options::recursive, ec);
    if (ec) warnings.push_back("cannot copy " + std::string(name) + ": " + ec.message());
  }
}

}  // namespace

DemoMachine LoadDemoMachine(const std::string& machine, const std::string& shippedFolder) {
  LoadedMachine loaded = LoadMachine(machine);
  DemoMachine demo;
  demo.folder = std::move(loaded.folder);
  demo.warnings = loaded.recipe.warnings;
  ProvideProgramFiles(Utf8Path(shippedFolder), Utf8Path(loaded.recipe.programFolder),
                      demo.warnings);
  demo.platform = std::make_unique<EmulatedPlatform>(std::move(loaded.recipe));
  return demo;
}

std::string DemoUsage(const std::string& program, const std::string& problem) {
  std::string presets;
  for (const auto& p : ListPresets()) presets += "\n  " + p.name + ": " + p.description;
  return program + ": " + problem + "\nusage: " + program +
         " [preset | scenario.json]\npresets:" + presets + "\n";
}

}  // namespace rz::sim
