// SPDX-License-Identifier: GPL-3.0-or-later
// What the save and flash commands work with: the seams, the person, the EEPROM engine, the
// driver (for its OS code), the program's folders and the main window's fields.
#pragma once
#include <string>
#include <vector>

#include "commands/MainWindowState.h"
#include "commands/OwnFiles.h"
#include "eeprom/EepromContext.h"
#include "hw/IoDriver.h"
#include "platform/Platform.h"
#include "ui/Ui.h"

namespace rz::commands {

struct CommandContext {
  platform::Platform& seams;
  ui::Ui& ui;
  eeprom::EepromContext eeprom;
  hw::IoDriver& driver;
  const std::string& programFolder;  // the shipped files (stock BIOS files, the vendor tool)
  const std::string& keepFolder;     // what the program writes (safety backups)
  const std::string& dialogFolder;   // where the open and save dialogs start
  MainWindowState& state;
  const std::vector<ProgramPlace>& ownPlaces;  // whose own files no save may replace

  // Adapter 0, or an empty record when no adapter was found.
  hw::PciAdapter Adapter0() const {
    return eeprom.adapters.count > 0 ? eeprom.adapters.adapters[0] : hw::PciAdapter{};
  }
  VendorToolContext VendorTool() {
    return VendorToolContext{seams, ui, state.vendorTool, Adapter0().SubsystemId()};
  }
};

}  // namespace rz::commands
