// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's fields that card detection leaves and the commands work with: card kind and
// number, flash mode, start directory, the card's BIOS identity, results of the last operations,
// the vendor tool's launch fields and the driver gate's state.
#pragma once
#include <cstdint>
#include <string>

#include "bios/BiosIdentity.h"
#include "bios/BiosVersion.h"
#include "commands/DriverGate.h"
#include "commands/VendorTool.h"
#include "eeprom/ChipCatalogue.h"

namespace rz::commands {

inline constexpr std::uint32_t kFlashModeNormal = 1;
inline constexpr std::uint32_t kFlashModeNoMakerBios = 2;

struct MainWindowState {
  std::uint32_t cardVendor = 0;      // 0x1002, 0x10DE or 0
  std::uint8_t cardNumber = 0xFF;    // read from the card's ROM at start; 0xFF without a block
  std::uint32_t flashMode = kFlashModeNormal;
  std::string startDirectory[2];     // working directory at the end of NVIDIA detection, twice
  std::uint32_t lastEepromResult = 0;
  eeprom::EepromIdentity eepromIdentity;  // NVIDIA: the chip detection found (no name: unknown)
  std::uint32_t flashInProgress = 0;
  std::string sizeText;              // ATI: size of the backup file as text
  bool cardImageIntact = true;       // ATI: the BIOS the tool read at start checks out, and no
                                     // flash of this run has failed since
  bios::CardBiosIdentity card;       // the card's BIOS identity
  bios::VersionCheckResult versionCheckResult = 0;
  VendorToolFields vendorTool;
  DriverGateState driverGate;
};

}  // namespace rz::commands
