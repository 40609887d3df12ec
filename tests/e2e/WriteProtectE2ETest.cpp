// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli flash on a serial EEPROM left write-protected: a page-programmed part is refused
// with the message and exit status 1, its contents untouched; an auto-address-increment part has
// its protection cleared by the program and is flashed.
#include <gtest/gtest.h>

#include "NvidiaFlashExpectations.h"

namespace rz::e2e {
namespace {

using testimage::BuildImage;
using namespace nvflash;

constexpr const char* kProtected = "The EEPROM is write-protected. Nothing was written to the card.";

TEST(WriteProtectedChip, PagePartIsRefusedAndAutoIncrementPartIsFlashed) {
  struct Row {
    const char* chip;
    bool refused;
  };
  for (const Row& row : {Row{"PMC PM25LV010", true}, Row{"AT AT25F1024", true},
                         Row{"SST 25VF010", false}}) {
    SCOPED_TRACE(row.chip);
    CliSandbox box;
    const auto card = BuildImage(PresetNvidiaImage());
    const auto scenario = box.WriteScenario(
        "m.json", NvidiaMachine(box, row.chip, 0x34C7, card, {{"block_protect", true}}));
    box.Write("new.rom", BuildImage(Newer()));
    const CliResult r = box.Run({"--machine", scenario, "flash", "new.rom"});
    if (row.refused) {
      EXPECT_EQ(r.exitCode, 1) << r.err;
      EXPECT_EQ(After(r.lines, "open-dialog"),
                (Lines{kBusy, kBlank, kBusy, std::string("status: ") + kProtected,
                       std::string("dialog: ") + kProtected, "status: Ready", "exit 1"}));
      auto unchanged = card;
      unchanged.resize(box.Read("card.rom").size(), 0xFF);
      EXPECT_EQ(box.Read("card.rom"), unchanged) << "the chip is byte for byte as it was";
      EXPECT_FALSE(box.Exists("program/Backups"));
    } else {
      EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
      EXPECT_TRUE(r.Has("msg: Flash BIOS completed!!!"));
      EXPECT_FALSE(r.Has(std::string("dialog: ") + kProtected));
      ExpectChipHolds(box.Read("card.rom"), BuildImage(Newer()));
    }
  }
}

}  // namespace
}  // namespace rz::e2e
