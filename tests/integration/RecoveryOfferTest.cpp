// SPDX-License-Identifier: GPL-3.0-or-later
// The window's start-up with no card of the maker but a card that lost its BIOS: the offer to
// flash a file onto it, and what each answer leads to.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/RecoveryOffer.h"
#include "commands/FlashCommand.h"
#include "sim/images/TestImage.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

bool Saw(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST(RecoveryOffer, EachAnswerLeadsWhereItSays) {
  const struct {
    const char* what;
    std::vector<bool> answers;  // the offer, then the recovery question, then the restart
    bool fileChosen;
    bool flashed;
  } rows[] = {
      {"offer declined", {false}, false, false},
      {"no file chosen", {true}, false, false},
      {"flash declined at the question", {true, false}, true, false},
      {"flashed", {true, true, false}, true, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    json blank = Adapter(1, 0, 0x10DE, 0x0191);
    blank["subsystem_vendor_id"] = 0;
    blank["subsystem_id"] = 0;
    blank["eeprom"] = {{"chip", "SST 39VF010"}};
    SimHarness h(json{{"adapters", json::array({blank})}});
    h.dir.Write("RZFLASH.CFG", "asic_nv 10de 191 1 0 G80\n");
    testimage::ImageRecipe recipe;
    recipe.deviceId = 0x0191;
    recipe.subsystemId = 0x34C7;
    recipe.block = testimage::RzBlockRecipe{};
    h.dir.Write("good.rom", Text(testimage::BuildImage(recipe)));
    for (bool a : row.answers) h.ui.QueueAnswer(a);
    if (row.answers.size() > 1 || row.fileChosen)
      h.ui.QueueFile(row.fileChosen ? std::optional<std::string>(h.dir.File("good.rom"))
                                    : std::nullopt);
    h.program->detect = app::DetectCardOfferingRecovery;
    ASSERT_EQ(h.program->FormCreate(), app::StartResult::Ready);
    const auto said = h.ui.Messages();
    EXPECT_TRUE(Saw(said, "A graphics card that needs recovery was found: 01:00  ids 0x10DE "
                          "0x0191  subsystem 0x0000 0x0000. Do you want to flash a BIOS file "
                          "onto it?"))
        << ::testing::PrintToString(said);
    EXPECT_EQ(Saw(said, commands::kFlashCompletedText), row.flashed)
        << ::testing::PrintToString(said);
    EXPECT_EQ(Saw(said, "No Card Found"), !row.fileChosen) << ::testing::PrintToString(said);
  }
}

// A card of the maker is detected as ever: nothing is offered for the other board beside it.
TEST(RecoveryOffer, NotMadeWhenACardOfTheMakerIsFound) {
  json blank = Adapter(2, 0, 0x10DE, 0x0191);
  blank["subsystem_vendor_id"] = 0;
  blank["subsystem_id"] = 0;
  SimHarness h(json{{"adapters", json::array({Adapter(1, 0, 0x10DE, 0x0191), blank})}});
  h.dir.Write("RZFLASH.CFG", "asic_nv 10de 191 1 0 G80\n");
  h.ui.QueueAnswer(true);
  h.program->detect = app::DetectCardOfferingRecovery;
  ASSERT_EQ(h.program->FormCreate(), app::StartResult::Ready);
  for (const auto& m : h.ui.Messages())
    EXPECT_EQ(m.find(app::kRecoveryOfferStart), std::string::npos) << m;
  EXPECT_EQ(h.program->adapters.count, 1u);
}

}  // namespace
}  // namespace rz::test
