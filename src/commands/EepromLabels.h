// Texts of the EEPROM labels and the version word of a "$RZ" block, as detection and the flash
// command show them after reading the card.
#pragma once
#include <cstdint>
#include <string>

#include "base/LittleEndian.h"
#include "bios/SignatureData.h"
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

// Low byte the version letter, high byte the version number.
inline std::uint16_t BlockVersionWord(const bios::SignatureBlock& block) {
  return le::Get16(block.data() + bios::kBlockVersionWord);
}

}  // namespace rz::commands
