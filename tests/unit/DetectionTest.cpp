// SPDX-License-Identifier: GPL-3.0-or-later
// Card detection at start on the emulated machine: which adapter is examined, the register
// layout, the card's BIOS identity from a "$RZ" block or a model text, and the early ends.
#include <gtest/gtest.h>

#include "app/Detection.h"
#include "sim/images/TestImage.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;

// A machine folder with RZFLASH.CFG and a card image; scenarios refer to both by absolute path.
struct Machine {
  TempDir folder;
  Machine() {
    folder.Write("RZFLASH.CFG", "asic_nv 10de 191 1 0 G80\nasic_nv 10de 300 1 0 OLD\n");
  }
  json Card(const testimage::ImageRecipe& image, std::uint16_t deviceId = 0x0191,
            const char* chip = "PMC PM25LV010") const {
    testimage::WriteFile(folder.File("card.rom"), testimage::BuildImage(image));
    json a = Adapter(1, 0, 0x10DE, deviceId);
    a["eeprom"] = {{"chip", chip}, {"image", folder.File("card.rom")}};
    return a;
  }
  json Scenario(json adapters) const {
    return json{{"program_folder", folder.Path().string()},
                {"working_directory", folder.Path().string()},
                {"adapters", std::move(adapters)}};
  }
};

app::StartResult Start(SimHarness& h) {
  h.program->detect = app::DetectCard;
  return h.program->FormCreate();
}

TEST(Detection, BlockGivesModelNameBackupNameAndCardNumber) {
  struct Case {
    std::string model;
    std::uint8_t revision;
    std::string continuation;
    std::string name;
  };
  for (const Case& c : {Case{"RZ-PX4R7", 0x11, "", "PX4R7"}, Case{"rz-PX4R7", 0x11, "", "PX4R7"},
                        Case{"QB-PX57Q", 0x12, "T7H", "PX57QT7H"},
                        Case{"GV NX88 ", 0x11, "", "GV"}}) {
    Machine m;
    testimage::ImageRecipe image;
    image.block = testimage::RzBlockRecipe{};
    image.block->model = c.model;
    image.block->revision = c.revision;
    image.block->continuation = c.continuation;
    image.block->number = 3;
    image.block->cardNumber = 0x21;
    SimHarness h(m.Scenario(json::array({m.Card(image)})));
    ASSERT_EQ(Start(h), app::StartResult::Ready) << c.model;
    const auto& state = h.program->state;
    EXPECT_EQ(state.card.CardModelName, c.name) << c.model;
    EXPECT_EQ(state.card.BackupFileName, c.name + ".F3") << c.model;
    EXPECT_EQ(h.ui.LabelText(ui::Label::BiosVersion), c.name + " F3") << "the block's version";
    EXPECT_EQ(state.cardNumber, 0x21);
    EXPECT_EQ(h.program->adapters.adapters[0].cardNumber, 0x21);
    EXPECT_EQ(state.flashMode, 1u);
    EXPECT_EQ(state.startDirectory[0], m.folder.Path().string());
  }
}

TEST(Detection, ModelTextGivesTheVersionRecordAndLabels) {
  Machine m;
  testimage::ImageRecipe image;
  image.modelText = "RZ-PX4R7H/F4";
  SimHarness h(m.Scenario(json::array({m.Card(image)})));
  ASSERT_EQ(Start(h), app::StartResult::Ready);
  const auto& card = h.program->state.card;
  EXPECT_EQ(card.CardModelName, "RZ-PX4R7H");
  EXPECT_EQ(card.Version.DigitCount, 1);
  EXPECT_EQ(h.ui.LabelText(ui::Label::BiosVersion), "RZ-PX4R7H F4");
  EXPECT_EQ(h.ui.LabelText(ui::Label::EepromName), "PMC PM25LV010      ");
  EXPECT_EQ(h.ui.LabelText(ui::Label::EepromSize), "65536 bytes");
  EXPECT_EQ(h.program->state.cardNumber, 0xFF);
}

TEST(Detection, RegisterLayoutFollowsTheCardNotAnotherDisplayDevice) {
  // An on-board display device of a listed id comes first on the bus; the card itself (0x0300)
  // uses the older layout. Taking the layout from the on-board device would drive the wrong
  // general-purpose register and the serial EEPROM would not answer.
  Machine m;
  testimage::ImageRecipe image;
  image.deviceId = 0x0300;
  image.block = testimage::RzBlockRecipe{};
  json onboard = Adapter(0, 2, 0x10DE, 0x0191);
  onboard["subsystem_vendor_id"] = 0x1043;
  SimHarness h(m.Scenario(json::array({onboard, m.Card(image, 0x0300)})));
  ASSERT_EQ(Start(h), app::StartResult::Ready);
  EXPECT_FALSE(h.program->romWindow.newGpioLayout);
  EXPECT_EQ(h.ui.LabelText(ui::Label::EepromName), "PMC PM25LV010      ");
  EXPECT_TRUE(app::IsNewGpioLayoutId(0x0191));
  EXPECT_TRUE(app::IsNewGpioLayoutId(0x0A2F));
  EXPECT_FALSE(app::IsNewGpioLayoutId(0x0A30));
  EXPECT_FALSE(app::IsNewGpioLayoutId(0x018F));
}

TEST(Detection, OnlyTheFirstQualifyingAdapterIsExamined) {
  Machine m;
  json ati = Adapter(1, 0, 0x1002, 0x9442);
  testimage::ImageRecipe image;
  image.block = testimage::RzBlockRecipe{};
  json nvidia = m.Card(image);
  nvidia["bus"] = 2;
  SimHarness h(m.Scenario(json::array({nvidia, ati})));
  ASSERT_EQ(Start(h), app::StartResult::Ready);
  EXPECT_EQ(h.program->state.cardVendor, 0x1002u);
  ASSERT_EQ(h.platform->Launcher().launches.size(), 1u) << "the vendor tool reads the ATI card";
}

TEST(Detection, AtiSeriesBelow0x8000IsRefusedAndTheDriverIsRemoved) {
  for (const std::uint16_t device : {std::uint16_t{0x7FFF}, std::uint16_t{0x8000}}) {
    Machine m;
    SimHarness h(m.Scenario(json::array({Adapter(1, 0, 0x1002, device)})));
    const auto result = Start(h);
    if (device == 0x7FFF) {
      EXPECT_EQ(result, app::StartResult::EndedByDetection);
      EXPECT_EQ(h.ui.Lines().back(), "dialog: Not support this series!!!");
    } else {
      EXPECT_EQ(result, app::StartResult::Ready);
    }
    h.program->FormDestroy();
    EXPECT_FALSE(h.platform->Services().ServiceExists());
  }
}

TEST(Detection, CardWithoutMakerBiosAsksAndNoEndsTheProgram) {
  for (const bool yes : {false, true}) {
    Machine m;
    SimHarness h(m.Scenario(json::array({m.Card(testimage::ImageRecipe{})})));
    h.ui.QueueAnswer(yes);
    const auto result = Start(h);
    EXPECT_EQ(h.ui.Lines()[0],
              std::string("box \"Caution\" yesno none -> ") + (yes ? "yes" : "no") +
                  ": Talvenor VGA BIOS not found! Do you want to continue?");
    EXPECT_EQ(result, yes ? app::StartResult::Ready : app::StartResult::EndedByDetection);
    if (yes) {
      EXPECT_EQ(h.program->state.flashMode, 2u);
    }
  }
}

TEST(Detection, NoAdapterAndOtherVendors) {
  Machine m;
  SimHarness none(m.Scenario(json::array()));
  EXPECT_EQ(Start(none), app::StartResult::Ready);
  EXPECT_EQ(none.ui.Lines()[0], "box \"Error\" ok none: No Card Found");
  EXPECT_EQ(none.program->state.cardVendor, 0u);

  SimHarness other(m.Scenario(json::array({Adapter(1, 0, 0x8086, 0x2E22)})));
  EXPECT_EQ(Start(other), app::StartResult::Ready);
  EXPECT_EQ(other.program->state.cardVendor, 0u);
  EXPECT_FALSE(other.ui.LabelText(ui::Label::BiosVersion)) << "labels keep their design texts";
}

}  // namespace
}  // namespace rz::test
