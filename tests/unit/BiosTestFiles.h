// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the BIOS tests: synthetic images in an in-memory file system.
#pragma once
#include <string>
#include <vector>

#include "bios/BiosIdentity.h"
#include "bios/BiosVersion.h"
#include "platform/files/MemoryFile.h"
#include "sim/images/TestImage.h"

namespace rz::test {

inline std::vector<std::uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

// The card's identity as detection leaves it for a BIOS with the given model text.
inline bios::CardBiosIdentity CardWithText(const std::string& modelText) {
  bios::CardBiosIdentity card;
  bios::ParseModelVersion(modelText, card.CardModelName, card.Version);
  return card;
}

// The card's identity for a BIOS with a "$RZ" block.
inline bios::CardBiosIdentity CardWithBlock(char letter, std::uint8_t number) {
  bios::CardBiosIdentity card;
  card.VersionWord = static_cast<std::uint16_t>(static_cast<std::uint8_t>(letter) | (number << 8));
  return card;
}

}  // namespace rz::test
