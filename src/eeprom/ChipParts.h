// SPDX-License-Identifier: GPL-3.0-or-later
// The flash parts the program knows, one row per part: its chip code, the catalogue rows that name
// it, the ids it answers, its sizes and how it is programmed. The catalogue, the ChipCode table
// and the programming facts (ChipCatalogue.h, ChipCodeFacts.h) are views of this one table.
#pragma once
#include <array>
#include <cstdint>

#include "eeprom/ChipCodeFacts.h"
#include "eeprom/ChipCommands.h"

namespace rz::eeprom {

enum class ChipInterface { None, Parallel, Serial };

// One catalogue row of a part: where the row stands in the catalogue, its text and the
// manufacturer id it lists. A part may be named by more than one row, or by none.
struct CatalogueName {
  int position = -1;  // -1: the place is unused
  const char* text = "";
  std::uint8_t manufacturerId = 0;
};

struct ChipPart {
  // The ChipCode of the part; 0 for a part the catalogue names but the ChipCode table does not
  // know (it is named, never sized or programmed).
  std::uint8_t code = 0;
  std::array<CatalogueName, 2> names{};
  std::array<std::uint8_t, 3> manufacturers{};  // ids the ChipCode accepts; unused places hold 0
  std::uint8_t deviceId = 0;
  std::uint32_t chipSize = 0;  // what the program reads, shows and fits images to
  std::uint32_t partSize = 0;  // the datasheet capacity: what a chip erase wipes
  ChipInterface interface = ChipInterface::None;
  Algorithm algorithm = Algorithm::None;
  std::uint8_t eraseOpcode = 0;  // Algorithm::SpiPages only
  bool pageWrite = false;        // a page write erases the page: no chip erase unless forced
};

// Code 24 (manufacturer 0x1F, device 0x17) has no catalogue row; it is taken as the 1-Mbit member
// of the byte-programmed 49-series family that codes 21-23 belong to.
inline constexpr std::uint32_t kCode24Size = 0x20000;

namespace parts {

inline constexpr std::uint32_t k64K = 0x10000;
inline constexpr std::uint32_t k128K = 0x20000;
inline constexpr std::array<std::uint8_t, 3> kGroupA = {0x37, 0xBF, 0xDA};
inline constexpr std::array<std::uint8_t, 3> kGroupB = {0x20, 0x9D, 0x00};
constexpr std::array<std::uint8_t, 3> Only(std::uint8_t m) { return {m, 0x00, 0x00}; }

constexpr std::array<CatalogueName, 2> Named(int position, const char* text, std::uint8_t m) {
  return {CatalogueName{position, text, m}, CatalogueName{}};
}

// The programming columns of a row: interface, algorithm, erase opcode, page write.
struct Programming {
  ChipInterface interface;
  Algorithm algorithm;
  std::uint8_t eraseOpcode;
  bool pageWrite;
};
inline constexpr Programming kPages{ChipInterface::Parallel, Algorithm::JedecPages, 0, true};
inline constexpr Programming kBytes{ChipInterface::Parallel, Algorithm::JedecBytes, 0, false};
inline constexpr Programming kAai{ChipInterface::Serial, Algorithm::SpiAai, 0, false};
inline constexpr Programming kSerial45{ChipInterface::Serial, Algorithm::Serial45, 0, false};
inline constexpr Programming kNotProgrammed{ChipInterface::None, Algorithm::None, 0, false};
constexpr Programming SpiPages(std::uint8_t erase) {
  return {ChipInterface::Serial, Algorithm::SpiPages, erase, false};
}

constexpr ChipPart Part(std::uint8_t code, std::array<CatalogueName, 2> names,
                        std::array<std::uint8_t, 3> manufacturers, std::uint8_t deviceId,
                        std::uint32_t chipSize, std::uint32_t partSize, Programming p) {
  return {code,     names,       manufacturers, deviceId,      chipSize,
          partSize, p.interface, p.algorithm,   p.eraseOpcode, p.pageWrite};
}

// The table itself; kChipParts below is its name outside. Every part: those with a chip code in
// code order (20 is never assigned), then the ones the catalogue alone names. Where the size the
// program uses differs from the part's capacity, the row says why.
// Part(code, catalogue names, manufacturers the code accepts, device id, chip size, part size,
//      programming).
inline constexpr ChipPart kTable[] = {
    // clang-format off
    Part(1, Named(0, "SST 29EE512         64Kx8,5.0V,      128B page, 0k blk", 0xBF),
         kGroupA, 0x5D, k64K, k64K, kPages),
    Part(2, Named(1, "SST 29LE/VE512      64Kx8,2.9,2.7v,  128B page, 0k blk", 0xBF),
         kGroupA, 0x3D, k64K, k64K, kPages),
    Part(3, Named(2, "SST 29EE010        128Kx8,5.0V,      128B page, 0k blk", 0xBF),
         kGroupA, 0x07, k128K, k128K, kPages),
    Part(4, Named(3, "SST 29LE/VE010     128Kx8,2.9,2.7V,  128B page, 0k blk", 0xBF),
         kGroupA, 0x08, k128K, k128K, kPages),
    Part(5, Named(4, "SST 39VF512         64Kx8,2.7-3.6V,    1B page, 4k blk", 0xBF),
         kGroupA, 0xD4, k64K, k64K, kBytes),
    Part(6, Named(5, "SST 39VF010        128Kx8,2.7-3.6V,    1B page, 4k blk", 0xBF),
         kGroupA, 0xD5, k128K, k128K, kBytes),
    Part(7, Named(22, "SST 25VF512         64Kx8,S2.7-3.6V  256B page, 4k blk", 0xBF),
         kGroupA, 0x48, k64K, k64K, kAai),
    Part(8, Named(23, "SST 25VF010\t\t 128KX8,S2.7-3.6V  128B page,32k blk", 0xBF),
         kGroupA, 0x49, k128K, k128K, kAai),
    Part(9, Named(6, "SST 39SF010        128Kx8,2.7-3.6V,    1B page, 4k blk", 0xBF),
         kGroupA, 0xB5, k128K, k128K, kBytes),
    // Two catalogue rows answer the same ids; the first one names the chip.
    Part(10, {CatalogueName{7, "WINBOND W29C011A   128Kx8,5V,          1B page, 4k blk", 0xDA},
              CatalogueName{8, "WINBOND W29EE011   128Kx8,5V,        128B page, 0k blk", 0xDA}},
         kGroupA, 0xC1, k128K, k128K, kPages),
    Part(11, Named(9, "WINBOND W39L010P   128Kx8,3.3V,      128B page, 4k blk", 0xDA),
         kGroupA, 0x31, k128K, k128K, kBytes),
    Part(12, Named(21, "PMC Pm39LV010R     128Kx8,3.3V,      128B page, 4k blk", 0x9D),
         kGroupB, 0x1C, k128K, k128K, kBytes),
    // Pm25LV512: 512 Kbit, as the catalogue text says, but given 128 KiB.
    Part(13, Named(24, "PMC PM25LV512       64Kx8,2.7-3.6V,  256B page,32k blk", 0x9D),
         kGroupB, 0x7B, k128K, k64K, SpiPages(spi::kChipEraseC7)),
    Part(14, Named(25, "PMC PM25LV010      128Kx8,2.7-3.6V,  256B page,32k blk", 0x9D),
         kGroupB, 0x7C, k128K, k128K, SpiPages(spi::kChipEraseC7)),
    Part(15, Named(26, "ST M25P05           64kX8,S2.7-3.6V, 128B page,32k blk", 0x20),
         kGroupB, 0x05, k64K, k64K, SpiPages(spi::kChipEraseC7)),
    // M25P10: 1 Mbit, as the catalogue text says, but given 64 KiB.
    Part(16, Named(27, "ST M25P10          128Kx8,S2.7-3.6V, 128B page,32k blk", 0x20),
         kGroupB, 0x10, k64K, k128K, SpiPages(spi::kChipEraseC7)),
    Part(17, Named(10, "AMIC A290011       128Kx8,5V,          1B page, 4k blk", 0x37),
         kGroupA, 0xA1, k128K, k128K, kBytes),
    Part(18, Named(11, "ATMEL 29C512        64Kx8,5.0V,      128B page, 0k blk", 0x1F),
         Only(0x1F), 0x5D, k64K, k64K, kPages),
    Part(19, Named(12, "ATMEL 29LV512       64Kx8,3.0V,      128B page, 0k blk", 0x1F),
         Only(0x1F), 0x3D, k64K, k64K, kPages),
    Part(21, Named(14, "ATMEL 49F512        64Kx8,5.0,3.0,2.7V,1B page, 0k blk", 0x1F),
         Only(0x1F), 0x03, k64K, k64K, kBytes),
    Part(22, Named(15, "ATMEL 49F001       128Kx8,5.0V,        1B page, 0k blk", 0x1F),
         Only(0x1F), 0x05, k128K, k128K, kBytes),
    Part(23, Named(16, "ATMEL 49F001T      128Kx8,5.0V,        1B page, 0k blk", 0x1F),
         Only(0x1F), 0x04, k128K, k128K, kBytes),
    Part(24, {}, Only(0x1F), 0x17, kCode24Size, kCode24Size, kBytes),
    // AT25F512: 512 Kbit; the catalogue text says 128Kx8.
    Part(25, Named(28, "AT AT25F512        128Kx8,S2.7-3.6V, 128B page,32k blk", 0x1F),
         Only(0x1F), 0x40, k64K, k64K, SpiPages(spi::kChipErase62)),
    Part(26, Named(29, "AT AT25F1024       128Kx8,S2.7-3.6V, 256B page,32k blk", 0x1F),
         Only(0x1F), 0x60, k128K, k128K, SpiPages(spi::kChipErase62)),
    Part(27, Named(18, "AMD 29LV010        128Kx8,2.7V,        1B page,16k blk", 0x01),
         Only(0x01), 0x6E, k128K, k128K, kBytes),
    Part(28, Named(19, "AMD 29LV001T       128Kx8,2.7V,        1B page,16k blk", 0x01),
         Only(0x01), 0xED, k128K, k128K, kBytes),
    Part(29, Named(20, "AMD 29LV001B       128Kx8,2.7V,        1B page,16k blk", 0x01),
         Only(0x01), 0x6D, k128K, k128K, kBytes),
    Part(30, Named(30, "SST 45LF010        128Kx8,S2.7-3.6V, 256B page,32k blk", 0xBF),
         kGroupA, 0x42, k128K, k128K, kSerial45),
    Part(31, Named(31, "ICE 25P05           64Kx8, 2.7-3.6V, 256B page,32k blk", 0x5E),
         Only(0x5E), 0x01, k64K, k64K, SpiPages(spi::kChipEraseC7)),
    // Named by the catalogue, unknown to the ChipCode table: these ids get no code.
    Part(0, Named(13, "ATMEL 29LV/BV010A  128Kx8,3.0V,      128B page, 0k blk", 0x1F),
         {}, 0x25, 0, 0, kNotProgrammed),
    Part(0, Named(17, "ATMEL 49F010       128Kx8,5.0,3.0,2.7V,1B page, 0k blk", 0x1F),
         {}, 0x10, 0, 0, kNotProgrammed),
    // clang-format on
};

}  // namespace parts

// One row per part.
inline constexpr const auto& kChipParts = parts::kTable;

}  // namespace rz::eeprom
