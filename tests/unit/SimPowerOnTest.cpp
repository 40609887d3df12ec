// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated NVIDIA board at power-on: with subsystem_from_bios it shows the subsystem ids its
// BIOS holds, as real boards load them, so a blank chip shows as a card of no maker.
#include <gtest/gtest.h>

#include "sim/scenario/Scenario.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;

// A board with subsystem_from_bios shows the ids its BIOS holds at each start, whatever the
// scenario says, and 0000:0000 when its chip holds no BIOS (erased, or cut short before the
// header was written); without the key it shows the scenario's.
TEST(ScenarioPowerOn, BoardTakesItsSubsystemIdsFromItsBios) {
  TempDir dir;
  std::string bios(0x1000, '\0');
  bios[0] = '\x55';
  bios[1] = '\xAA';
  bios[0x54] = '\x5A';
  bios[0x55] = '\x1E';
  bios[0x56] = '\xC7';
  bios[0x57] = '\x34';
  dir.Write("bios.rom", bios);
  std::string headless = bios;
  headless[0] = '\xFF';
  dir.Write("headless.rom", headless);
  const struct {
    const char* image;
    bool fromBios;
    std::uint32_t subsystem;  // configuration dword 0x2C
  } rows[] = {{"bios.rom", true, 0x34C71E5Au},
              {"headless.rom", true, 0},
              {"missing.rom", true, 0},
              {"bios.rom", false, 0x99991E5Au}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.image) + (row.fromBios ? " from bios" : ""));
    json adapter = {{"device_id", 0x0191}, {"subsystem_vendor_id", "maker"},
                    {"subsystem_id", 0x9999}, {"subsystem_from_bios", row.fromBios},
                    {"eeprom", {{"chip", "SST 39VF010"}, {"image", row.image}, {"persist", true}}}};
    sim::EmulatedPlatform p(sim::ParseScenario(json{{"adapters", {adapter}}}, dir.Path().string()));
    EXPECT_EQ(p.AdapterDevice(0)->ConfigRead(0x2C), row.subsystem);
  }
}

}  // namespace
}  // namespace rz::test
