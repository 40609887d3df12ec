// SPDX-License-Identifier: GPL-3.0-or-later
// Texts of the EEPROM labels, as detection and the flash command show them after reading the
// card.
#pragma once
#include <cstdint>
#include <string>

#include "eeprom/ChipCatalogue.h"

namespace rz::commands {

inline constexpr std::size_t kEepromNameLabelMax = 19;

// The catalogue name cut to its first 19 characters.
inline std::string EepromNameText(const eeprom::EepromIdentity& identity) {
  return identity.name.substr(0, kEepromNameLabelMax);
}

// "%d bytes" of the smaller of chip size and image length.
inline std::string EepromSizeText(const eeprom::EepromIdentity& identity, std::uint32_t imageLength) {
  return std::to_string(identity.chipSize < imageLength ? identity.chipSize : imageLength) + " bytes";
}

}  // namespace rz::commands
