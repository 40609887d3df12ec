// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CardProblem.h"

#include <cstdio>

#include "hw/PciConfig.h"

namespace rz::cli {

std::optional<std::string> DescribeCardProblem(app::Program& program, Command command,
                                               bool atiBackupShown) {
  const auto& state = program.state;
  if (program.adapters.count == 0)
    return std::string("no display adapter of the maker or of ATI was found");
  if (state.cardVendor == 0) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "the card (PCI vendor id 0x%04X) has a graphics chip of neither NVIDIA nor "
                  "ATI; its BIOS cannot be read or flashed",
                  static_cast<unsigned>(program.adapters.adapters[0].VendorId()));
    return std::string(text);
  }
  if (command != Command::Info) return std::nullopt;
  if (state.cardVendor == hw::kVendorNvidia && state.lastEepromResult != 0) {
    const std::string& name = state.eepromIdentity.name;
    if (name.empty())
      return std::string(
          "the card's EEPROM answered with ids this program does not know, or could not be "
          "reached (see any messages above); its BIOS cannot be saved or flashed");
    return "the card's EEPROM (" + name + ") could not be read (see the messages above)";
  }
  if (state.cardVendor == hw::kVendorAti && !atiBackupShown)
    return std::string("the vendor flash tool did not save the card's BIOS, so its version "
                       "is unknown; is the tool beside the program?");
  return std::nullopt;
}

}  // namespace rz::cli
