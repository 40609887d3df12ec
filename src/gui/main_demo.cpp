// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-demo: the windowed program on the emulated machine. One optional argument: a machine
// preset name or a scenario JSON file (default "nvidia-spi"). The skin, help file and
// configuration the real program reads (beside this executable, or in the installed data folder)
// are copied into the machine's program folder where it lacks them.
#include <QCoreApplication>
#include <cstdio>

#include "app/ExitCodes.h"
#include "app/ProgramFolders.h"
#include "gui/GuiMain.h"
#include "gui/demo/DemoScreenshots.h"
#include "platform/FileSystem.h"
#include "sim/scenario/DemoMachine.h"

int main(int argc, char** argv) {
  rz::gui::GuiApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  const std::string machine = args.size() > 1 ? args.at(1).toStdString() : "nvidia-spi";

  // The machine's folder goes when the demo ends; one left by a demo that was killed goes at the
  // next start.
  rz::sim::DemoMachine demo;
  try {
    const auto files = rz::platform::MakeHostFileSystem();
    const std::string exe = QCoreApplication::applicationFilePath().toStdString();
    const std::string shipped = rz::app::ResolveProgramFolders(exe, *files, {}).program;
    demo = rz::sim::LoadDemoMachine(machine, shipped);
  } catch (const std::exception& e) {
    std::fputs(rz::sim::DemoUsage("rzflash-demo", e.what()).c_str(), stderr);
    return rz::app::kExitUsage;
  }
  for (const auto& w : demo.warnings) std::fprintf(stderr, "rzflash-demo: warning: %s\n", w.c_str());

  const rz::gui::GuiCommands commands = rz::gui::ProgramCommands();
  const int status =
      rz::gui::RunGui(app, demo.platform->Seams(), commands, rz::gui::DemoScreenshotHook());
  try {
    demo.platform->Finish();  // writes persistent EEPROM images back
  } catch (const rz::sim::ScenarioError& e) {
    std::fprintf(stderr, "rzflash-demo: %s\n", e.what());
    return rz::app::kExitUsage;
  }
  return status;
}
