// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Program.h"

#include "app/ProgramFolders.h"

namespace rz::app {

Program::Program(platform::Platform& platform, ui::Ui& ui)
    : driver(platform.services, platform.device, platform.system),
      io(driver, ui),
      platform_(platform),
      ui_(ui) {}

StartResult Program::FormCreate() {
  hw::CommandReporting reporting(io);  // each driver failure message shown once
  const std::string exe = platform_.system.ExecutablePath();
  if (platform_.system.AnotherInstanceRunning(kSingleInstanceName)) {
    ui_.MessageBox("Error", kSecondInstanceText, ui::Buttons::Ok, ui::Icon::None,
                   ui::Owner::MainWindow);
    return StartResult::SecondInstance;
  }
  holdsInstance_ = true;
  const ProgramFolders folders =
      ResolveProgramFolders(exe, platform_.files, platform_.system.GetUserFolders());
  programFolder = folders.program;
  keepFolder = folders.keep;
  dialogFolder = folders.dialogs;
  ownPlaces.push_back(commands::ProgramPlace{programFolder, exe});

  if (!driver.OpenDriver()) {
    ui_.ShowMessage(kDriverFailedText);
    if (accessProblem) {
      const std::string why = accessProblem();
      if (!why.empty()) ui_.ShowMessage(why);
    }
    return StartResult::DriverFailed;
  }
  ui_.LoadSkin();
  ui_.ProcessEvents();
  platform_.system.Sleep(kDetectionPauseMs);
  if (detect && !detect(*this)) return StartResult::EndedByDetection;
  ui_.SizeWindowToBackground();
  ui_.SetStatus(ui::kStatusReady);
  return StartResult::Ready;
}

void Program::FormDestroy() {
  // A refused second start never touched the driver: the running instance's service stays.
  if (!holdsInstance_) return;
  driver.CloseDriver();
  platform_.system.ReleaseSingleInstance();
  holdsInstance_ = false;
}

}  // namespace rz::app
