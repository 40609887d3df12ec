// SPDX-License-Identifier: GPL-3.0-or-later
// An emulated card's factory BIOS: built for the adapter's own ids, held while the eeprom's image
// file does not exist, and what a persisting run then writes to that file; a file that exists wins.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "sim/images/TestImage.h"
#include "sim/scenario/Scenario.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FactoryBios, FillsAMissingImageAndIsWrittenBack) {
  testimage::ImageRecipe nvidia;
  nvidia.subsystemId = 0x34C7;
  nvidia.block = testimage::RzBlockRecipe{};
  nvidia.block->number = 7;
  testimage::ImageRecipe ati;
  ati.vendorId = 0x1002;
  ati.deviceId = 0x9442;
  ati.subsystemId = 0x21B8;
  ati.modelText = "RZ-HD485/F2";
  ati.atom = testimage::AtomRecipe{};
  ati.seed = 9;
  const struct {
    const char* name;
    json adapter;
    json eeprom;
    testimage::ImageRecipe expected;
  } rows[] = {
      {"nvidia",
       {{"vendor_id", 0x10DE}, {"device_id", 0x0191}, {"subsystem_id", 0x34C7}},
       {{"chip", "PMC PM25LV010"}, {"factory_bios", {{"block", "F7"}}}},
       nvidia},
      {"ati",
       {{"vendor_id", 0x1002}, {"device_id", 0x9442}, {"subsystem_id", 0x21B8}},
       {{"size", 0x10000}, {"factory_bios", {{"model_text", "RZ-HD485/F2"}, {"seed", 9}}}},
       ati},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const std::vector<std::uint8_t> want = testimage::BuildImage(row.expected);
    json adapter = row.adapter;
    adapter["eeprom"] = row.eeprom;
    adapter["eeprom"]["image"] = "card.rom";
    adapter["eeprom"]["persist"] = true;
    const json scenario{{"adapters", {adapter}}};
    {
      sim::EmulatedPlatform p(sim::ParseScenario(scenario, dir.Path().string()));
      p.Finish();
    }
    const std::vector<std::uint8_t> written = ReadAll(dir.File("card.rom"));
    ASSERT_GE(written.size(), want.size());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), written.begin()));
    EXPECT_TRUE(std::all_of(written.begin() + static_cast<std::ptrdiff_t>(want.size()),
                            written.end(), [](std::uint8_t b) { return b == 0xFF; }));

    // The file now exists: the next run starts from it, not from the factory BIOS.
    std::string changed(written.begin(), written.end());
    changed[0x300] = '\x42';
    dir.Write("card.rom", changed);
    {
      sim::EmulatedPlatform p(sim::ParseScenario(scenario, dir.Path().string()));
      p.Finish();
    }
    EXPECT_EQ(ReadAll(dir.File("card.rom"))[0x300], 0x42);
  }
}

}  // namespace
}  // namespace rz::test
