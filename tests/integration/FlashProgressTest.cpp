// SPDX-License-Identifier: GPL-3.0-or-later
// What the engine tells the front ends of its progress, on every chip: a flash reports the safety
// backup's read, the erase (where the chip needs one), the programming and the read-back, in that
// order, each only advancing and each to its end; a save reports its read.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "eeprom/ChipCodeFacts.h"
#include "eeprom/FlashJob.h"
#include "eeprom/ReadBack.h"
#include "sim/images/TestImage.h"
#include "support/ChipCases.h"
#include "support/EepromRig.h"
#include "support/FrameCollector.h"

namespace rz::test {
namespace {

using nlohmann::json;

struct Report {
  ui::Phase phase;
  std::uint32_t done, total;
};

class ProgressLog : public ui::ScriptedUi {
 public:
  void ReportProgress(ui::Phase phase, std::uint32_t done, std::uint32_t total) override {
    reports.push_back({phase, done, total});
  }
  std::vector<Report> reports;
};

std::vector<ui::Phase> PhaseRuns(const std::vector<Report>& reports) {
  std::vector<ui::Phase> runs;
  for (const auto& r : reports)
    if (runs.empty() || runs.back() != r.phase) runs.push_back(r.phase);
  return runs;
}

// Within each run of one phase: one total, `done` never going back, and the last report complete.
::testing::AssertionResult EachPhaseAdvancesToItsEnd(const std::vector<Report>& reports) {
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const Report& r = reports[i];
    const bool last = i + 1 == reports.size() || reports[i + 1].phase != r.phase;
    if (r.total == 0 || r.done > r.total)
      return ::testing::AssertionFailure()
             << ui::PhaseName(r.phase) << " " << r.done << "/" << r.total;
    if (i > 0 && reports[i - 1].phase == r.phase &&
        (reports[i - 1].total != r.total || reports[i - 1].done > r.done))
      return ::testing::AssertionFailure() << ui::PhaseName(r.phase) << " went back at " << i;
    if (last && r.done != r.total)
      return ::testing::AssertionFailure() << ui::PhaseName(r.phase) << " ended at " << r.done;
  }
  return ::testing::AssertionSuccess();
}

TEST(FlashProgress, EveryChipReportsItsPhasesInOrder) {
  for (const ChipCase& c : AllChipCases()) {
    SCOPED_TRACE("code " + std::to_string(c.code));
    TempDir files;
    testimage::ImageRecipe recipe;
    recipe.lengthByte = 0x20;
    recipe.seed = 3;
    recipe.deviceId = kRigDeviceId;
    ASSERT_TRUE(testimage::WriteFile(files.File("new.rom"), testimage::BuildImage(recipe)));
    EepromRig rig(json{{"eeprom", ChipEeprom(c)}});
    ProgressLog log;
    eeprom::EepromContext ctx = WithUi(rig.ctx, log);
    std::size_t backedUp = 0;
    ASSERT_EQ(eeprom::RunFlashJob(ctx, 0, files.File("new.rom"), 1,
                                  [&](std::span<const std::uint8_t> contents) {
                                    backedUp = contents.size();
                                    return true;
                                  }),
              eeprom::kFlashOk);

    // Parallel chips that write whole pages erase as they program: no erase of their own.
    const bool erases = c.serial || !eeprom::FactsFor(c.code)->pageWrite;
    std::vector<ui::Phase> want{ui::Phase::BackingUp, ui::Phase::Checking};
    if (erases) want.push_back(ui::Phase::Erasing);
    want.insert(want.end(), {ui::Phase::Programming, ui::Phase::Verifying});
    EXPECT_EQ(PhaseRuns(log.reports), want);
    EXPECT_TRUE(EachPhaseAdvancesToItsEnd(log.reports));
    ASSERT_FALSE(log.reports.empty());
    EXPECT_EQ(log.reports.front().total, backedUp);  // the whole chip
    if (erases) {
      // The erase shows as started before it runs.
      const auto first =
          std::find_if(log.reports.begin(), log.reports.end(),
                       [](const Report& r) { return r.phase == ui::Phase::Erasing; });
      EXPECT_EQ(first->done, 0u);
    }
    for (const Report& r : log.reports) {
      if (r.phase == ui::Phase::Programming) {
        EXPECT_EQ(r.total, 0x20u * 512);
      }
    }
  }
}

TEST(FlashProgress, SaveReportsItsRead) {
  EepromRig rig(json{{"eeprom", {{"chip", "PMC PM25LV010"}}}});
  TempDir files;
  ProgressLog log;
  eeprom::EepromContext ctx = WithUi(rig.ctx, log);
  ASSERT_EQ(eeprom::SaveRomToFile(ctx, 0, files.File("saved.rom")), eeprom::kSaveOk);
  EXPECT_EQ(PhaseRuns(log.reports), (std::vector<ui::Phase>{ui::Phase::Reading, ui::Phase::Checking}));
  EXPECT_TRUE(EachPhaseAdvancesToItsEnd(log.reports));
}

}  // namespace
}  // namespace rz::test
