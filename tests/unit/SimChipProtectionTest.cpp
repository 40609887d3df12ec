// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated serial chips' status register as their datasheets give it: the block-protect field
// at power-up and as a scenario leaves it, the write-enable latch around each write command and
// the protected quarter, and the scenario key that starts a chip protected.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "SimChipDriving.h"
#include "sim/devices/FlashChipSpi.h"
#include "sim/scenario/ScenarioObject.h"

namespace rz::test {
namespace {

using nlohmann::json;
using namespace simchip;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kBusy = 0x01, kWel = 0x02, kBp = 0x1C, kBit7 = 0x80;

json Eeprom(const std::string& key, const json& blockProtect = nullptr) {
  json e{{"chip", key}};
  if (!blockProtect.is_null()) e["block_protect"] = blockProtect;
  return e;
}

std::uint8_t StatusOf(CardProbe& p) {
  p.PromOn();
  p.Begin();
  const std::uint8_t s = p.Status();
  p.End();
  p.PromOff();
  return s;
}

// The BP field each serial part starts with: at power-up (only the SST 25VF parts come up
// protected), and as the `block_protect` key sets it.
TEST(SimChipProtection, BlockProtectFieldAtTheStart) {
  struct Row {
    const char* key;
    json blockProtect;  // null: the key is absent
    std::uint8_t field;
  };
  const Row rows[] = {
      {"SST 25VF512", nullptr, 3}, {"SST 25VF010", nullptr, 3},  {"PMC PM25LV512", nullptr, 0},
      {"PMC PM25LV010", nullptr, 0}, {"ST M25P05", nullptr, 0},  {"ST M25P10", nullptr, 0},
      {"AT AT25F512", nullptr, 0}, {"AT AT25F1024", nullptr, 0}, {"SST 45LF010", nullptr, 0},
      {"ICE 25P05", nullptr, 0},
      {"SST 25VF010", false, 0},   {"PMC PM25LV010", true, 3},   {"AT AT25F512", true, 1},
      {"AT AT25F1024", true, 3},   {"ST M25P10", 1, 1},          {"ICE 25P05", "0x2", 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.key) + " block_protect " + r.blockProtect.dump());
    TempDir dir;
    auto platform = MakePlatform(CardScenario(Eeprom(r.key, r.blockProtect)), dir);
    CardProbe p(*platform);
    const std::uint8_t s = StatusOf(p);
    EXPECT_EQ((s & kBp) >> 2, r.field);
    EXPECT_EQ(s & (kBusy | kWel | kBit7), 0) << "idle, latch clear, no status lock";
    EXPECT_EQ(dynamic_cast<sim::FlashChipSpi&>(*Card(*platform).Chip()).BlockProtect(), r.field);
  }
}

// Frame sequences on an unprotected M25P10 (and a protected one where the row says so): what the
// status register shows afterwards and whether the array changed.
TEST(SimChipProtection, WriteEnableLatchAndStatusWrites) {
  Bytes program = Addr(0);
  program.insert(program.begin(), 0x02);
  program.push_back(0x5A);
  Bytes programTop = Addr(0x1FF00);
  programTop.insert(programTop.begin(), 0x02);
  programTop.push_back(0x5A);
  struct Row {
    const char* what;
    json blockProtect;
    std::vector<Bytes> frames;
    std::uint8_t status;  // after the frames, once the chip is idle
    std::optional<std::pair<std::uint32_t, std::uint8_t>> cell;  // an array byte afterwards
  };
  const Row rows[] = {
      {"WREN sets the latch", nullptr, {{0x06}}, kWel, {}},
      {"WRDI clears it", nullptr, {{0x06}, {0x04}}, 0, {}},
      {"WRSR after WREN sets BP and clears the latch", nullptr, {{0x06}, {0x01, 0x0C}}, 0x0C, {}},
      {"WRSR without WREN is ignored", nullptr, {{0x01, 0x0C}}, 0, {}},
      {"WRSR clears BP", true, {{0x06}, {0x01, 0x00}}, 0, {}},
      {"bit 7 is kept, BP untouched by it", nullptr, {{0x06}, {0x01, 0x80}}, kBit7, {}},
      {"page program clears the latch", nullptr, {{0x06}, program}, 0, {{0, 0x5A}}},
      {"page program without WREN is ignored", nullptr, {program}, 0, {{0, 0xFF}}},
      {"chip erase clears the latch", nullptr, {{0x06}, {0xC7}}, 0, {}},
      {"a protected page is not programmed", 1, {{0x06}, programTop}, kWel | 0x04, {{0x1FF00, 0xFF}}},
      {"below the protected quarter it is", 1, {{0x06}, program}, 0x04, {{0, 0x5A}}},
      {"erase refused on a partly protected chip", 1, {{0x06}, {0xC7}}, kWel | 0x04, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    TempDir dir;
    auto platform = MakePlatform(CardScenario(Eeprom("ST M25P10", r.blockProtect)), dir);
    CardProbe p(*platform);
    auto& chip = *Card(*platform).Chip();
    const std::uint64_t erasesBefore = chip.Counters().chipErases;
    p.PromOn();
    p.Begin();
    for (const Bytes& f : r.frames) p.Frame(f);
    ASSERT_TRUE(p.WaitReady(sim::kMillisecond, 5000));
    EXPECT_EQ(p.Status(), r.status);
    p.End();
    p.PromOff();
    if (r.cell) {
      EXPECT_EQ(chip.Contents()[r.cell->first], r.cell->second);
    }
    const bool eraseSent = r.frames.back() == Bytes{0xC7};
    const bool shouldErase = eraseSent && (r.status & kBp) == 0;
    EXPECT_EQ(chip.Counters().chipErases - erasesBefore, shouldErase ? 1u : 0u);
  }
}

// The key is refused where there is nothing to protect, or a field the part does not have.
TEST(SimChipProtection, BlockProtectKeyIsCheckedAgainstThePart) {
  struct Row {
    const char* key;
    json value;
    const char* error;  // null: accepted
  };
  const Row rows[] = {
      {"SST 45LF010", true, "has no block-protect bits"},
      {"SST 39VF010", true, "has no block-protect bits"},
      {"SST 45LF010", false, "has no block-protect bits"},
      {"ST M25P05", 4, "must be at most 3"},
      {"AT AT25F512", 2, "must be at most 1"},
      {"AT AT25F512", "one", "block_protect"},
      {"AT AT25F512", 1, nullptr},
      {"SST 25VF512", 0, nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.key) + " " + r.value.dump());
    TempDir dir;
    const json scenario = CardScenario(Eeprom(r.key, r.value));
    if (!r.error) {
      EXPECT_NO_THROW(sim::ParseScenario(scenario, dir.Path().string()));
      continue;
    }
    try {
      sim::ParseScenario(scenario, dir.Path().string());
      ADD_FAILURE() << "accepted";
    } catch (const sim::ScenarioError& e) {
      EXPECT_NE(std::string(e.what()).find(r.error), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("adapters[0].eeprom.block_protect"), std::string::npos)
          << e.what();
    }
  }
}

}  // namespace
}  // namespace rz::test
