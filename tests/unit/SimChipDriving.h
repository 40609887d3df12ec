// SPDX-License-Identifier: GPL-3.0-or-later
// Driving the emulated flash chips through the emulated card as a program drives real ones: the
// catalogue's parts written down apart from the emulator's table, and each part's own identify,
// unprotect, erase, program and read-back operations.
#pragma once
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "SimCardProbe.h"
#include "sim/devices/ChipModel.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/SimHarness.h"

namespace rz::test::simchip {

// The catalogue's parts with the ids a program must see and the sizes of their datasheets, written
// down independently of the emulator's table.
struct CatalogueRow {
  const char* key;
  std::uint8_t m, d;
  std::uint32_t size;
  bool spi;
};
inline const CatalogueRow kCatalogue[] = {
    {"SST 29EE512", 0xBF, 0x5D, 0x10000, false},    {"SST 29LE/VE512", 0xBF, 0x3D, 0x10000, false},
    {"SST 29EE010", 0xBF, 0x07, 0x20000, false},    {"SST 29LE/VE010", 0xBF, 0x08, 0x20000, false},
    {"SST 39VF512", 0xBF, 0xD4, 0x10000, false},    {"SST 39VF010", 0xBF, 0xD5, 0x20000, false},
    {"SST 39SF010", 0xBF, 0xB5, 0x20000, false},    {"WINBOND W29C011A", 0xDA, 0xC1, 0x20000, false},
    {"WINBOND W29EE011", 0xDA, 0xC1, 0x20000, false}, {"WINBOND W39L010P", 0xDA, 0x31, 0x20000, false},
    {"AMIC A290011", 0x37, 0xA1, 0x20000, false},   {"ATMEL 29C512", 0x1F, 0x5D, 0x10000, false},
    {"ATMEL 29LV512", 0x1F, 0x3D, 0x10000, false},  {"ATMEL 29LV/BV010A", 0x1F, 0x25, 0x20000, false},
    {"ATMEL 49F512", 0x1F, 0x03, 0x10000, false},   {"ATMEL 49F001", 0x1F, 0x05, 0x20000, false},
    {"ATMEL 49F001T", 0x1F, 0x04, 0x20000, false},  {"ATMEL 49F010", 0x1F, 0x10, 0x20000, false},
    {"AMD 29LV010", 0x01, 0x6E, 0x20000, false},    {"AMD 29LV001T", 0x01, 0xED, 0x20000, false},
    {"AMD 29LV001B", 0x01, 0x6D, 0x20000, false},   {"PMC Pm39LV010R", 0x9D, 0x1C, 0x20000, false},
    {"SST 25VF512", 0xBF, 0x48, 0x10000, true},     {"SST 25VF010", 0xBF, 0x49, 0x20000, true},
    {"PMC PM25LV512", 0x9D, 0x7B, 0x10000, true},   {"PMC PM25LV010", 0x9D, 0x7C, 0x20000, true},
    {"ST M25P05", 0x20, 0x05, 0x10000, true},       {"ST M25P10", 0x20, 0x10, 0x20000, true},
    {"AT AT25F512", 0x1F, 0x40, 0x10000, true},     {"AT AT25F1024", 0x1F, 0x60, 0x20000, true},
    {"SST 45LF010", 0xBF, 0x42, 0x20000, true},     {"ICE 25P05", 0x5E, 0x01, 0x10000, true},
    {"ATMEL 49F 0x17", 0x1F, 0x17, 0x20000, false},
};

std::unique_ptr<sim::EmulatedPlatform> MakePlatform(const nlohmann::json& scenario, const TempDir& dir);
sim::NvidiaCard& Card(sim::EmulatedPlatform& p);
std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed = 3);
std::pair<std::uint8_t, std::uint8_t> Identify(CardProbe& p, const sim::ChipModel& c);
// Serial address bytes as the program sends them: chip offset + 0x300000.
std::vector<std::uint8_t> Addr(std::uint32_t offset);
void Unprotect(CardProbe& p, const sim::ChipModel& c);
bool Erase(CardProbe& p, const sim::ChipModel& c);
// Programs `data` at `offset` with the part's own program operation; false when a poll timed out.
bool Program(CardProbe& p, const sim::ChipModel& c, std::uint32_t offset,
             const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> ReadBack(CardProbe& p, std::uint32_t offset, std::uint32_t n);
nlohmann::json ChipEeprom(const sim::ChipModel& c);

}  // namespace rz::test::simchip
