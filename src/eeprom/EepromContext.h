// SPDX-License-Identifier: GPL-3.0-or-later
// What every EEPROM operation works with: the driver requests, the process seams, the Ui, the
// configuration table, the adapter list, and the process-wide engine state owned by the program.
#pragma once
#include "bios/SignatureData.h"
#include "config/AsicTable.h"
#include "eeprom/ImageBuffer.h"
#include "eeprom/RomWindow.h"
#include "hw/AdapterScan.h"
#include "hw/DriverRequests.h"
#include "platform/FileSystem.h"
#include "platform/InterruptHold.h"
#include "platform/System.h"
#include "ui/Ui.h"

namespace rz::eeprom {

struct EepromContext {
  hw::DriverRequests& io;
  platform::System& system;
  platform::FileSystem& files;
  ui::Ui& ui;
  const config::AsicTable& asics;
  hw::AdapterList& adapters;
  RomWindow& window;
  bios::SignatureBlock& signature;
  bios::ModelText& modelText;
  ImageBuffer& imageBuffer;
  // Held from the erase until the verification ends; null: never held.
  platform::InterruptHold* interrupts = nullptr;
};

// Result of the adapter-indexed operations when the index is not below the adapter count.
inline constexpr std::uint32_t kBadAdapterIndex = 0x80000001u;

}  // namespace rz::eeprom
