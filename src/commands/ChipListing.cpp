// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/ChipListing.h"

#include <algorithm>
#include <cstdio>

#include "eeprom/ChipCatalogue.h"
#include "eeprom/ChipCodeFacts.h"
#include "eeprom/ChipCommands.h"

namespace rz::commands {

namespace {

using eeprom::Algorithm;

// The name ends where the description begins: at a tab or at two blanks.
std::string NameOf(const std::string& text) {
  std::size_t end = text.find('\t');
  end = std::min(end, text.find("  "));
  std::string name = text.substr(0, end);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

std::string Hex(std::uint8_t value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", value);
  return buf;
}

bool IsSerial(Algorithm a) {
  return a == Algorithm::SpiAai || a == Algorithm::Serial45 || a == Algorithm::SpiPages;
}

const char* AlgorithmName(Algorithm a) {
  switch (a) {
    case Algorithm::JedecPages: return "JEDEC page write";
    case Algorithm::JedecBytes: return "JEDEC byte program";
    case Algorithm::SpiAai: return "serial auto-address-increment program";
    case Algorithm::Serial45: return "serial 45-series byte program";
    case Algorithm::SpiPages: return "serial page program";
    case Algorithm::None: break;
  }
  return "none";
}

std::string EraseCommand(const eeprom::ChipCodeFacts& f) {
  namespace jedec = eeprom::jedec;
  namespace spi = eeprom::spi;
  const std::string jedecErase = "JEDEC " + Hex(jedec::kEraseSetup) + " " + Hex(jedec::kChipErase);
  switch (f.algorithm) {
    case Algorithm::JedecPages:
    case Algorithm::JedecBytes:
      // A page write erases the page it writes: the chip erase is then sent only when forced.
      return f.pageWrite ? jedecErase + " (only when forced; page writes erase)" : jedecErase;
    case Algorithm::SpiAai: return Hex(spi::kChipErase60);
    case Algorithm::Serial45: return Hex(spi::kChipErase60) + " " + Hex(spi::kEraseConfirm45);
    case Algorithm::SpiPages: return Hex(f.eraseOpcode);
    case Algorithm::None: break;
  }
  return "none";
}

}  // namespace

std::vector<ChipListing> ListChips() {
  std::vector<ChipListing> out;
  for (const eeprom::EepromChipEntry& row : eeprom::ChipCatalogue()) {
    const std::string text = row.name;
    if (text.empty()) break;  // the terminating row
    ChipListing c;
    c.catalogueText = text;
    c.name = NameOf(text);
    c.manufacturerId = row.manufacturerId;
    c.deviceId = row.deviceId;
    const eeprom::ChipCodeMatch match = eeprom::FindChipCode(row.manufacturerId, row.deviceId);
    const auto facts = eeprom::FactsFor(match.code);
    c.chipCode = facts ? match.code : 0;
    c.size = facts ? match.chipSize : 0;
    c.interface = !facts ? "none" : IsSerial(facts->algorithm) ? "serial" : "parallel";
    c.algorithm = AlgorithmName(facts ? facts->algorithm : Algorithm::None);
    c.erase = facts ? EraseCommand(*facts) : "none";
    out.push_back(std::move(c));
  }
  return out;
}

}  // namespace rz::commands
