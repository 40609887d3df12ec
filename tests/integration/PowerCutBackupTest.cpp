// SPDX-License-Identifier: GPL-3.0-or-later
// The power goes at every page or byte operation of a flash, on every preset card with a chip
// (on byte-programmed chips a fixed sample of the bytes unless RZFLASH_POWER_CUT=full):
// afterwards the disk holds, under the name the program showed, a complete backup of the card's
// previous BIOS (the emulated disk keeps only what the program flushed before the cut), and
// flashing that file onto the damaged card on the next start gives the card back byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "commands/RestoreHint.h"
#include "commands/SafetyBackup.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/images/TestImage.h"
#include "sim/scenario/Presets.h"
#include "support/ProgramRun.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;
using Scenario = sim::ScenarioRecipe;

// The card's BIOS and the new one are short, so that a run per operation stays cheap; the backup
// still holds the whole chip. A chip programmed in pages gets more of them.
constexpr std::uint8_t kCardUnits = 0x02;
constexpr std::uint8_t kNewUnitsBytes = 0x01;
constexpr std::uint8_t kNewUnitsPages = 0x04;

// How the preset's BIOS names its version: the new image names it the same way, one higher.
ByteVector BoardImage(const std::string& preset, const sim::AdapterRecipe& a, std::uint8_t units,
                      std::uint8_t version) {
  testimage::ImageRecipe r;
  r.lengthByte = units;
  r.deviceId = a.deviceId;
  r.subsystemId = a.subsystemId;
  r.seed = version;
  if (preset == "nvidia-modeltext") {
    r.modelText = "RZ-PX4R7H/F" + std::to_string(version);
  } else if (preset != "nvidia-nomaker") {
    r.block = testimage::RzBlockRecipe{};
    r.block->offset = 0x80;  // inside a 512-byte image
    r.block->number = version;
  }
  return testimage::BuildImage(r);
}

// The preset's machine with the short BIOS on its card and the new image in "new.rom".
Scenario Prepared(const std::string& preset, const TempDir& dir) {
  Scenario s = sim::MaterializePreset(preset, dir.Path().string());
  const sim::AdapterRecipe& a = s.adapters.at(0);
  testimage::WriteFile(a.eeprom->imagePath, BoardImage(preset, a, kCardUnits, 4));
  const bool pages = a.eeprom->model.pageSize > 1;
  testimage::WriteFile(dir.File("new.rom"),
                       BoardImage(preset, a, pages ? kNewUnitsPages : kNewUnitsBytes, 5));
  return s;
}

// Start-up asks whether to go on with a card whose BIOS names no maker: yes.
std::vector<bool> StartAnswers(const std::string& preset) {
  return preset == "nvidia-nomaker" ? std::vector<bool>{true} : std::vector<bool>{};
}

// The presets whose card has a chip the program programs.
const std::vector<std::string> kChipPresets = {"nvidia-parallel", "nvidia-spi", "nvidia-sst25",
                                               "nvidia-at25", "nvidia-sst45", "nvidia-modeltext"};

// The path the restore hint of the last run names; empty when none was shown.
std::string HintedPath(const ProgramRun& run) { return HintedBackup(run.ui.Messages()); }

// Operations of a whole flash on the preset's chip: pages, or bytes on a chip without pages.
struct Operations {
  bool bytes = false;
  std::uint64_t count = 0;
};

Operations CountOperations(const std::string& preset) {
  TempDir dir;
  ProgramRun run(Prepared(preset, dir), StartAnswers(preset));
  auto& card = dynamic_cast<sim::NvidiaCard&>(*run.machine.AdapterDevice(0));
  const sim::ChipCounters before = card.Chip()->Counters();
  EXPECT_EQ(run.Flash(dir.File("new.rom")), commands::FlashOutcome::Completed)
      << ::testing::PrintToString(run.ui.Lines());
  const sim::ChipCounters& after = card.Chip()->Counters();
  Operations ops;
  ops.bytes = card.Chip()->Model().pageSize <= 1;
  ops.count = ops.bytes ? after.bytesProgrammed - before.bytesProgrammed
                        : after.pageOperations - before.pageOperations;
  return ops;
}

// The cuts a run tries: after every page operation; on a chip without pages after each of the
// first and last eight bytes and every 16th byte between them (every 64th under the sanitizers),
// or after every byte with RZFLASH_POWER_CUT=full.
std::vector<std::uint64_t> CutPoints(const Operations& ops) {
#if defined(__SANITIZE_ADDRESS__)
  constexpr std::uint64_t kByteStride = 64;
#else
  constexpr std::uint64_t kByteStride = 16;
#endif
  constexpr std::uint64_t kEnds = 8;
  const char* mode = std::getenv("RZFLASH_POWER_CUT");
  const bool every = !ops.bytes || (mode && std::string(mode) == "full");
  std::vector<std::uint64_t> points;
  // A cut "after n operations" comes once the n-th has ended (n = 0 and 1 are the same cut); the
  // last cut leaves one operation undone.
  for (std::uint64_t at = 1; at < ops.count; ++at) {
    if (every || at <= kEnds || at + kEnds >= ops.count || at % kByteStride == 0)
      points.push_back(at);
  }
  return points;
}

class PowerCutDuringFlash : public ::testing::TestWithParam<std::string> {};

TEST_P(PowerCutDuringFlash, LeavesTheNamedBackupWholeOnTheDiskAtEveryOperation) {
  const std::string preset = GetParam();
  const Operations ops = CountOperations(preset);
  ASSERT_GT(ops.count, 1u);
  for (const std::uint64_t at : CutPoints(ops)) {
    SCOPED_TRACE(preset + (ops.bytes ? ": cut after byte " : ": cut after page ") +
                 std::to_string(at));
    TempDir dir;
    const Scenario scenario = Prepared(preset, dir);
    Scenario cut = scenario;
    auto& faults = cut.adapters[0].eeprom->faults;
    (ops.bytes ? faults.powerCutAfterBytes : faults.powerCutAfterPages) = at;
    ByteVector before;
    std::string named;
    {
      ProgramRun run(cut, StartAnswers(preset));
      ASSERT_TRUE(run.started);
      before = run.Card();
      ASSERT_EQ(run.Flash(dir.File("new.rom")), commands::FlashOutcome::Failed);
      named = HintedPath(run);
      ASSERT_FALSE(named.empty()) << ::testing::PrintToString(run.ui.Messages());
      run.machine.Files().LosePower();
      run.machine.Finish();
    }
    ASSERT_TRUE(fs::is_regular_file(named)) << named;
    ASSERT_EQ(ReadAll(named), before) << "the whole chip as it was";

    ProgramRun again(scenario, {true});  // go on with a card whose BIOS is not found
    ASSERT_TRUE(again.started);
    ASSERT_EQ(again.Flash(named), commands::FlashOutcome::Completed)
        << ::testing::PrintToString(again.ui.Lines());
    ASSERT_EQ(again.Card(), before);
  }
}

// No other NVIDIA preset gets as far as the chip with the new image (the card whose BIOS names no
// maker refuses it by its version; the others stop at start-up), so the list leaves none out.
TEST(PowerCutDuringFlash, CoversEveryPresetWhoseChipIsFlashed) {
  for (const auto& p : sim::ListPresets()) {
    if (p.name.rfind("nvidia-", 0) != 0 ||
        std::find(kChipPresets.begin(), kChipPresets.end(), p.name) != kChipPresets.end())
      continue;
    TempDir dir;
    ProgramRun run(Prepared(p.name, dir), StartAnswers(p.name));
    EXPECT_FALSE(run.started && run.Flash(dir.File("new.rom")) == commands::FlashOutcome::Completed)
        << p.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Presets, PowerCutDuringFlash, ::testing::ValuesIn(kChipPresets),
                         [](const ::testing::TestParamInfo<std::string>& p) {
                           std::string name = p.param;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

}  // namespace
}  // namespace rz::test
