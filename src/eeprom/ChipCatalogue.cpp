#include "eeprom/ChipCatalogue.h"

#include <string_view>

namespace rz::eeprom {

namespace {

constexpr EepromChipEntry kCatalogue[] = {
    {"SST 29EE512         64Kx8,5.0V,      128B page, 0k blk", 0xBF, 0x5D},  // 0
    {"SST 29LE/VE512      64Kx8,2.9,2.7v,  128B page, 0k blk", 0xBF, 0x3D},  // 1
    {"SST 29EE010        128Kx8,5.0V,      128B page, 0k blk", 0xBF, 0x07},  // 2
    {"SST 29LE/VE010     128Kx8,2.9,2.7V,  128B page, 0k blk", 0xBF, 0x08},  // 3
    {"SST 39VF512         64Kx8,2.7-3.6V,    1B page, 4k blk", 0xBF, 0xD4},  // 4
    {"SST 39VF010        128Kx8,2.7-3.6V,    1B page, 4k blk", 0xBF, 0xD5},  // 5
    {"SST 39SF010        128Kx8,2.7-3.6V,    1B page, 4k blk", 0xBF, 0xB5},  // 6
    {"WINBOND W29C011A   128Kx8,5V,          1B page, 4k blk", 0xDA, 0xC1},  // 7
    {"WINBOND W29EE011   128Kx8,5V,        128B page, 0k blk", 0xDA, 0xC1},  // 8
    {"WINBOND W39L010P   128Kx8,3.3V,      128B page, 4k blk", 0xDA, 0x31},  // 9
    {"AMIC A290011       128Kx8,5V,          1B page, 4k blk", 0x37, 0xA1},  // 10
    {"ATMEL 29C512        64Kx8,5.0V,      128B page, 0k blk", 0x1F, 0x5D},  // 11
    {"ATMEL 29LV512       64Kx8,3.0V,      128B page, 0k blk", 0x1F, 0x3D},  // 12
    {"ATMEL 29LV/BV010A  128Kx8,3.0V,      128B page, 0k blk", 0x1F, 0x25},  // 13
    {"ATMEL 49F512        64Kx8,5.0,3.0,2.7V,1B page, 0k blk", 0x1F, 0x03},  // 14
    {"ATMEL 49F001       128Kx8,5.0V,        1B page, 0k blk", 0x1F, 0x05},  // 15
    {"ATMEL 49F001T      128Kx8,5.0V,        1B page, 0k blk", 0x1F, 0x04},  // 16
    {"ATMEL 49F010       128Kx8,5.0,3.0,2.7V,1B page, 0k blk", 0x1F, 0x10},  // 17
    {"AMD 29LV010        128Kx8,2.7V,        1B page,16k blk", 0x01, 0x6E},  // 18
    {"AMD 29LV001T       128Kx8,2.7V,        1B page,16k blk", 0x01, 0xED},  // 19
    {"AMD 29LV001B       128Kx8,2.7V,        1B page,16k blk", 0x01, 0x6D},  // 20
    {"PMC Pm39LV010R     128Kx8,3.3V,      128B page, 4k blk", 0x9D, 0x1C},  // 21
    {"SST 25VF512         64Kx8,S2.7-3.6V  256B page, 4k blk", 0xBF, 0x48},  // 22
    {"SST 25VF010\t\t 128KX8,S2.7-3.6V  128B page,32k blk", 0xBF, 0x49},   // 23
    {"PMC PM25LV512       64Kx8,2.7-3.6V,  256B page,32k blk", 0x9D, 0x7B},  // 24
    {"PMC PM25LV010      128Kx8,2.7-3.6V,  256B page,32k blk", 0x9D, 0x7C},  // 25
    {"ST M25P05           64kX8,S2.7-3.6V, 128B page,32k blk", 0x20, 0x05},  // 26
    {"ST M25P10          128Kx8,S2.7-3.6V, 128B page,32k blk", 0x20, 0x10},  // 27
    {"AT AT25F512        128Kx8,S2.7-3.6V, 128B page,32k blk", 0x1F, 0x40},  // 28
    {"AT AT25F1024       128Kx8,S2.7-3.6V, 256B page,32k blk", 0x1F, 0x60},  // 29
    {"SST 45LF010        128Kx8,S2.7-3.6V, 256B page,32k blk", 0xBF, 0x42},  // 30
    {"ICE 25P05           64Kx8, 2.7-3.6V, 256B page,32k blk", 0x5E, 0x01},  // 31
    {"", 0x00, 0x00},                                                         // end
};

constexpr bool NamesFit() {
  for (const auto& row : kCatalogue)
    if (std::string_view(row.name).size() >= kChipNameField) return false;
  return true;
}
static_assert(NamesFit(), "catalogue names must fit their 56-byte field");
static_assert(std::size(kCatalogue) == 33);

constexpr std::array<std::uint8_t, 3> kGroupA = {0x37, 0xBF, 0xDA};
constexpr std::array<std::uint8_t, 3> kGroupB = {0x20, 0x9D, 0x00};
constexpr std::array<std::uint8_t, 3> Only(std::uint8_t m) { return {m, 0x00, 0x00}; }

// Code, manufacturers, device id, the size the program uses, the part's datasheet capacity.
constexpr ChipCodeEntry kChipCodes[] = {
    {1, kGroupA, 0x5D, 0x10000, 0x10000},
    {2, kGroupA, 0x3D, 0x10000, 0x10000},
    {3, kGroupA, 0x07, 0x20000, 0x20000},
    {4, kGroupA, 0x08, 0x20000, 0x20000},
    {5, kGroupA, 0xD4, 0x10000, 0x10000},
    {6, kGroupA, 0xD5, 0x20000, 0x20000},
    {7, kGroupA, 0x48, 0x10000, 0x10000},
    {8, kGroupA, 0x49, 0x20000, 0x20000},
    {9, kGroupA, 0xB5, 0x20000, 0x20000},
    {10, kGroupA, 0xC1, 0x20000, 0x20000},
    {11, kGroupA, 0x31, 0x20000, 0x20000},
    {12, kGroupB, 0x1C, 0x20000, 0x20000},
    {13, kGroupB, 0x7B, 0x20000, 0x10000},  // Pm25LV512: 512 Kbit, as the catalogue text says
    {14, kGroupB, 0x7C, 0x20000, 0x20000},
    {15, kGroupB, 0x05, 0x10000, 0x10000},
    {16, kGroupB, 0x10, 0x10000, 0x20000},  // M25P10: 1 Mbit, as the catalogue text says
    {17, kGroupA, 0xA1, 0x20000, 0x20000},
    {18, Only(0x1F), 0x5D, 0x10000, 0x10000},
    {19, Only(0x1F), 0x3D, 0x10000, 0x10000},
    {21, Only(0x1F), 0x03, 0x10000, 0x10000},
    {22, Only(0x1F), 0x05, 0x20000, 0x20000},
    {23, Only(0x1F), 0x04, 0x20000, 0x20000},
    {24, Only(0x1F), 0x17, kCode24Size, kCode24Size},
    {25, Only(0x1F), 0x40, 0x10000, 0x10000},  // AT25F512: 512 Kbit; the catalogue text says 128Kx8
    {26, Only(0x1F), 0x60, 0x20000, 0x20000},
    {27, Only(0x01), 0x6E, 0x20000, 0x20000},
    {28, Only(0x01), 0xED, 0x20000, 0x20000},
    {29, Only(0x01), 0x6D, 0x20000, 0x20000},
    {30, kGroupA, 0x42, 0x20000, 0x20000},
    {31, Only(0x5E), 0x01, 0x10000, 0x10000},
};

}  // namespace

std::span<const EepromChipEntry> ChipCatalogue() { return kCatalogue; }
std::span<const ChipCodeEntry> ChipCodeTable() { return kChipCodes; }

std::uint32_t PartSize(std::uint8_t code) {
  if (code == 0) return 0;
  for (const auto& row : kChipCodes)
    if (row.code == code) return row.partSize;
  return 0;
}

ChipCodeMatch FindChipCode(std::uint8_t manufacturerId, std::uint8_t deviceId) {
  if (manufacturerId == 0) return {};  // 0 only pads the manufacturer lists
  for (const auto& row : kChipCodes) {
    if (row.deviceId != deviceId) continue;
    for (std::uint8_t m : row.manufacturers)
      if (m == manufacturerId) return {row.code, row.chipSize};
  }
  return {};
}

int LookupChipName(std::uint16_t idWord, std::string& name) {
  for (const auto& row : kCatalogue) {
    if (row.name[0] == '\0') break;
    if (row.IdWord() == idWord) {
      name = row.name;
      return 1;
    }
  }
  name.clear();
  return 0;
}

}  // namespace rz::eeprom
