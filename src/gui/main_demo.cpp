// rzflash-demo: the windowed program on the emulated machine. One optional argument: a machine
// preset name or a scenario JSON file (default "nvidia-spi"). The skin, help file and
// configuration beside this executable are copied into the machine's program folder where it
// lacks them.
#include <QCoreApplication>
#include <cstdio>
#include <filesystem>

#include "app/ExitCodes.h"
#include "gui/GuiMain.h"
#include "gui/demo/DemoScreenshots.h"
#include "sim/scenario/LoadMachine.h"
#include "sim/scenario/Presets.h"
#include "sim/seams/EmulatedPlatform.h"
#include "ui/Ui.h"

namespace {

namespace fs = std::filesystem;

// Copies the program files shipped beside the demo into `programFolder` where they are missing.
void ProvideProgramFiles(const fs::path& shipped, const fs::path& programFolder) {
  std::error_code ec;
  fs::create_directories(programFolder, ec);
  for (const char* name : {"Skin", "HELP.CHM", "RZFLASH.CFG"}) {
    const fs::path from = shipped / name;
    const fs::path to = programFolder / name;
    if (!fs::exists(from) || fs::exists(to)) continue;
    fs::copy(from, to, fs::copy_options::recursive, ec);
    if (ec) std::fprintf(stderr, "rzflash-demo: cannot copy %s: %s\n", from.c_str(), ec.message().c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  rz::gui::GuiApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  const std::string machine = args.size() > 1 ? args.at(1).toStdString() : "nvidia-spi";

  // The machine's folder goes when the demo ends; one left by a demo that was killed goes at the
  // next start.
  rz::sim::LoadedMachine loaded;
  std::unique_ptr<rz::sim::EmulatedPlatform> platform;
  try {
    loaded = rz::sim::LoadMachine(machine);
    rz::sim::ScenarioRecipe& recipe = loaded.recipe;
    for (const auto& w : recipe.warnings)
      std::fprintf(stderr, "rzflash-demo: warning: %s\n", w.c_str());
    ProvideProgramFiles(QCoreApplication::applicationDirPath().toStdString(), recipe.programFolder);
    platform = std::make_unique<rz::sim::EmulatedPlatform>(std::move(recipe));
  } catch (const std::exception& e) {
    std::string presets;
    for (const auto& p : rz::sim::ListPresets()) presets += "\n  " + p.name + ": " + p.description;
    std::fprintf(stderr, "rzflash-demo: %s\nusage: rzflash-demo [preset | scenario.json]\npresets:%s\n",
                 e.what(), presets.c_str());
    return rz::app::kExitUsage;
  }

  const rz::gui::GuiCommands commands = rz::gui::ProgramCommands();
  const int status =
      rz::gui::RunGui(app, platform->Seams(), commands, rz::gui::DemoScreenshotHook());
  try {
    platform->Finish();  // writes persistent EEPROM images back
  } catch (const rz::sim::ScenarioError& e) {
    std::fprintf(stderr, "rzflash-demo: %s\n", e.what());
    return rz::app::kExitUsage;
  }
  return status;
}
