// SPDX-License-Identifier: GPL-3.0-or-later
// The program object: owns all state of one run (driver, adapter list, configuration table and
// the rest) and runs the main window's start-up and teardown over the platform seams and the Ui.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bios/SignatureData.h"
#include "commands/CommandContext.h"
#include "commands/MainWindowState.h"
#include "config/AsicTable.h"
#include "eeprom/EepromContext.h"
#include "eeprom/ImageBuffer.h"
#include "eeprom/RomWindow.h"
#include "hw/AdapterScan.h"
#include "hw/DriverRequests.h"
#include "hw/IoDriver.h"
#include "platform/Platform.h"
#include "ui/Ui.h"

namespace rz::app {

inline constexpr const char* kSecondInstanceText = "Kelvara is running!";
// The name of the single-instance lock, the same for the windowed program and the terminal front
// end under any file name: two programs must never work on one card at once.
inline constexpr const char* kSingleInstanceName = "rzflash";
inline constexpr const char* kDriverFailedText = "Initialize DODozori Fail!!!";
inline constexpr std::uint32_t kDetectionPauseMs = 500;

enum class StartResult {
  Ready,             // start-up done, the window is shown
  SecondInstance,    // another instance runs; the program ends without touching the driver
  DriverFailed,      // bring-up failed; the window stays in its design state
  EndedByDetection,  // detection ended the program (exit code 0)
};

class Program {
 public:
  Program(platform::Platform& platform, ui::Ui& ui);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The main window's creation handler: single instance (kSingleInstanceName), program folders, driver bring-up, skin,
  // one round of pending events, the pause, detection, window size, "Ready".
  StartResult FormCreate();
  // The destruction handler: driver teardown, then the single-instance lock is released.
  void FormDestroy();

  // Detection, run by FormCreate once the driver is open; returns false to end the program.
  std::function<bool(Program&)> detect;
  // Why the hardware could not be opened, for a front end whose person would otherwise see only
  // the driver failure's message: FormCreate shows it in a second message when it is not empty.
  std::function<std::string()> accessProblem;

  platform::Platform& Seams() { return platform_; }
  ui::Ui& GetUi() { return ui_; }

  // Process-wide state of the run.
  hw::IoDriver driver;
  hw::DriverRequests io;
  hw::AdapterList adapters;
  config::AsicTable asics;
  // The folders of app/ProgramFolders.h, each with its trailing separator: programFolder is the
  // executable's folder unless the program was installed.
  std::string programFolder;
  std::string keepFolder;
  std::string dialogFolder;
  eeprom::RomWindow romWindow;
  bios::SignatureBlock signatureBlock{};
  bios::ModelText modelText;
  eeprom::ImageBuffer imageBuffer;
  commands::MainWindowState state;  // the main window's fields
  // The places of the program's own files, which no file written for the user replaces: this
  // run's program (FormCreate adds it) and any a front end adds (the terminal front end on an
  // emulated machine adds the real program's).
  std::vector<commands::ProgramPlace> ownPlaces;

  // The EEPROM engine's view of this program's state and seams.
  eeprom::EepromContext Eeprom() {
    return eeprom::EepromContext{io,       platform_.system, platform_.files, ui_,
                                 asics,    adapters,         romWindow,       signatureBlock,
                                 modelText, imageBuffer, platform_.interrupts};
  }
  // The commands' view: seams, person, engine, driver, program folder and window fields.
  commands::CommandContext Commands() {
    return commands::CommandContext{platform_,     ui_,        Eeprom(),     driver,
                                    programFolder, keepFolder, dialogFolder, state,
                                    ownPlaces};
  }

 private:
  platform::Platform& platform_;
  ui::Ui& ui_;
  bool holdsInstance_ = false;
};

}  // namespace rz::app
