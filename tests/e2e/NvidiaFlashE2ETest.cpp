// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli flash on the NVIDIA road before the card is touched: the stock BIOS offer, the
// version label before and after a flash, and validation of the chosen file.
#include <gtest/gtest.h>

#include <algorithm>

#include "NvidiaFlashExpectations.h"

namespace rz::e2e {
namespace {

using nlohmann::json;
using testimage::BuildImage;
using testimage::ImageRecipe;
using namespace nvflash;

// ---- The stock BIOS offer (subsystem 0x34C8, one-character version F4) ----

// On the terminal the offer is taken by --stock alone: it is shown answered Yes and takes none
// of the --answer values.
TEST(StockOffer, PresetStockFlashesTheStockFileWithoutTheOpenDialog) {
  CliSandbox box;
  const CliResult r = box.Run({"--machine", "nvidia-modeltext", "flash", "--stock"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(box.LeftoverTemporaryFolders().empty());
  EXPECT_EQ(After(r.lines, "status: Ready"),
            (Lines{"yesno -> yes: There is a new VBIOS PX4R7H.F4_C\\r\\n       Do you wish to Update?",
                   kBusy, kBlank, kBusy,
                   KeptBackup("<tmp>/program/Backups/RZ-PX4R7H-20260101-000001.rom"),
                   // The stock file carries a model text: the label shows its version.
                   "label lBIOSVersion: RZ-PX4R7H F4_C", "label lEEPROMName: PMC PM25LV010      ",
                   "label lEEPROMSize: 65536 bytes", "status: Ready", "msg: Flash BIOS completed!!!",
                   kRestartNo, "status: Ready", "exit 0"}));
}

// The preset's board on a parallel chip with a model text of its own, and both stock files.
struct StockMachine {
  StockMachine(CliSandbox& b, std::uint16_t subsystemId = 0x34C8,
               const std::string& modelText = "RZ-PX4R7H/F4")
      : box(b) {
    ImageRecipe card = PresetNvidiaImage();
    card.block.reset();
    card.subsystemId = subsystemId;
    card.modelText = modelText;
    ImageRecipe stock = card;
    stock.seed = 7;
    stock.modelText = "RZ-PX4R7H/F4_C";
    stockOne = BuildImage(stock);
    box.Write("program/BIOS Files/PX4R7H.F4_C", stockOne);
    stock.modelText = "RZ-PX4R7H/F12_C";
    stockTwo = BuildImage(stock);
    box.Write("program/BIOS Files/PX4R7H.F12_C", stockTwo);
    ImageRecipe chosen = card;
    chosen.modelText = "RZ-PX4R7H/F5";
    chosen.seed = 11;
    chosenImage = BuildImage(chosen);
    box.Write("chosen.rom", chosenImage);
    scenario = box.WriteScenario("m.json", NvidiaMachine(box, "SST 39VF010", subsystemId, BuildImage(card)));
  }
  CliSandbox& box;
  std::vector<std::uint8_t> stockOne, stockTwo, chosenImage;
  std::string scenario;
};

TEST(StockOffer, StockProgramsTheStockFileIntoTheCard) {
  CliSandbox box;
  StockMachine m(box);
  const CliResult r = box.Run({"--machine", m.scenario, "--answer", "no", "flash", "--stock"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(r.Starting("open-dialog").empty());
  EXPECT_TRUE(r.Has("msg: Flash BIOS completed!!!"));
  EXPECT_TRUE(r.Has(kRestartNo));
  EXPECT_FALSE(r.Has("restart"));
  ExpectChipHolds(box.Read("card.rom"), m.stockOne);
}

// A two-character version is offered the two-character stock file.
TEST(StockOffer, TwoCharacterVersionGetsTheTwoCharacterStockFile) {
  CliSandbox box;
  StockMachine m(box, 0x34C8, "RZ-PX4R7H/F12");
  const CliResult r = box.Run({"--machine", m.scenario, "flash", "--stock"});
  EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
  EXPECT_TRUE(r.Has("yesno -> yes: There is a new VBIOS PX4R7H.F12_C\\r\\n       Do you wish to Update?"));
  ExpectChipHolds(box.Read("card.rom"), m.stockTwo);
}

// Subsystem 0x34D1 has no two-character stock file: the question names none, and Yes leads to
// a file that cannot be opened; the card is not touched.
TEST(StockOffer, OfferWithoutAFileEndsInOpenRomFileFail) {
  CliSandbox box;
  StockMachine m(box, 0x34D1, "RZ-PX57QT7H/F31");
  const auto card = box.Read("card.rom");
  const CliResult r = box.Run({"--machine", m.scenario, "flash", "--stock"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "status: Ready"),
            (Lines{"yesno -> yes: There is a new VBIOS \\r\\n       Do you wish to Update?", kBusy,
                   "box \"Error\" ok error: Open rom file fail !!", "status: Ready", "exit 1"}));
  ExpectChipHolds(box.Read("card.rom"), card);
}

// flash FILE means FILE: the offer is shown answered No without taking an answer, so the
// --answer yes meant for the restart reaches the restart.
TEST(StockOffer, FlashFileDeclinesTheOfferAndProgramsTheChosenFile) {
  CliSandbox box;
  StockMachine m(box);
  const CliResult r = box.Run({"--machine", m.scenario, "--answer", "yes", "flash", "chosen.rom"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(After(r.lines, "status: Ready"),
            (Lines{"yesno -> no: There is a new VBIOS PX4R7H.F4_C\\r\\n       Do you wish to Update?",
                   "open-dialog \"<dir>/program/\" -> <dir>/chosen.rom", kBusy, kBlank, kBusy,
                   KeptBackup("<dir>/program/Backups/RZ-PX4R7H-20260101-000001.rom"),
                   "label lBIOSVersion: RZ-PX4R7H F5", "label lEEPROMName: SST 39VF010        ",
                   "label lEEPROMSize: 65536 bytes", "status: Ready", "msg: Flash BIOS completed!!!",
                   kRestartYes, "restart", "status: Ready", "exit 0"}));
  ExpectChipHolds(box.Read("card.rom"), m.chosenImage);
}

TEST(StockOffer, StockOnABoardWithoutOneStartsNothing) {
  CliSandbox box;
  const auto card = BuildImage(PresetNvidiaImage());
  const auto scenario = box.WriteScenario("m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, card));
  const CliResult r = box.Run({"--machine", scenario, "flash", "--stock"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("this board has no stock BIOS"), std::string::npos) << r.err;
  EXPECT_TRUE(r.Starting("yesno").empty());
  EXPECT_TRUE(r.Starting("open-dialog").empty());
  ExpectChipHolds(box.Read("card.rom"), card);
}

// ---- The BIOS version label at detection and after a flash, for both kinds of BIOS ----

struct LabelCase {
  const char* name;
  void (*card)(ImageRecipe&);
  void (*file)(ImageRecipe&);
  const char* atDetection;
  const char* afterFlash;
};

class VersionLabel : public ::testing::TestWithParam<LabelCase> {};

TEST_P(VersionLabel, ShowsTheVersionBeforeAndAfterTheFlash) {
  const LabelCase& c = GetParam();
  CliSandbox box;
  ImageRecipe card = PresetNvidiaImage();
  c.card(card);
  ImageRecipe file = card;
  file.seed = 21;
  c.file(file);
  box.Write("file.rom", BuildImage(file));
  const auto scenario =
      box.WriteScenario("m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(card)));
  const CliResult r = box.Run({"--machine", scenario, "flash", "file.rom"});
  EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
  const auto labels = r.Starting("label lBIOSVersion: ");
  ASSERT_EQ(labels.size(), 2u) << ::testing::PrintToString(r.lines);
  EXPECT_EQ(labels[0], std::string("label lBIOSVersion: ") + c.atDetection);
  EXPECT_EQ(labels[1], std::string("label lBIOSVersion: ") + c.afterFlash);
}

INSTANTIATE_TEST_SUITE_P(
    BothKinds, VersionLabel,
    ::testing::Values(
        LabelCase{"Block", [](ImageRecipe&) {}, [](ImageRecipe& s) { s.block->number = 5; },
                  "PX4R7 F4", "PX4R7 F5"},
        LabelCase{"BlockWithSuffix", [](ImageRecipe& s) { s.block->suffix = 'B'; },
                  [](ImageRecipe& s) {
                    s.block->number = 5;
                    s.block->suffix = 'C';
                  },
                  "PX4R7 F4B", "PX4R7 F5C"},
        LabelCase{"ModelText",
                  [](ImageRecipe& s) {
                    s.block.reset();
                    s.modelText = "RZ-PX4R7H/F4";
                  },
                  [](ImageRecipe& s) { s.modelText = "RZ-PX4R7H/F5"; }, "RZ-PX4R7H F4",
                  "RZ-PX4R7H F5"}),
    [](const auto& p) { return std::string(p.param.name); });

// ---- Validation of the chosen file: nothing reaches the card ----

struct RefusedFile {
  const char* name;
  std::vector<std::uint8_t> bytes;  // empty: the file does not exist
  const char* message;
};

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

class Validation : public ::testing::TestWithParam<RefusedFile> {};

TEST_P(Validation, RefusesTheFileBeforeTheCardIsTouched) {
  const RefusedFile& c = GetParam();
  CliSandbox box;
  const auto card = BuildImage(PresetNvidiaImage());
  const auto scenario = box.WriteScenario("m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, card));
  if (!c.bytes.empty()) box.Write("file.rom", c.bytes);
  const CliResult r = box.Run({"--machine", scenario, "flash", "file.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "open-dialog"), (Lines{kBusy, c.message, "status: Ready", "exit 1"}));
  ExpectChipHolds(box.Read("card.rom"), card);
}

INSTANTIATE_TEST_SUITE_P(
    EveryRefusal, Validation,
    ::testing::Values(
        RefusedFile{"OtherDevice", BuildImage(With([](ImageRecipe& s) { s.deviceId = 0x0400; })),
                    "msg: The BIOS ID not match!!!"},
        RefusedFile{"OtherSubsystem",
                    BuildImage(With([](ImageRecipe& s) { s.subsystemId = 0x34C9; })),
                    "msg: The BIOS ID not match!!!"},
        // A package whose images all belong to other card numbers leaves nothing to check.
        RefusedFile{"PackageForOtherCards",
                    testimage::BuildPackage(
                        {BuildImage(With([](ImageRecipe& s) { s.block->cardNumber = 1; })),
                         BuildImage(With([](ImageRecipe& s) { s.block->cardNumber = 2; }))}),
                    "msg: The BIOS ID not match!!!"},
        RefusedFile{"SameVersion", BuildImage(PresetNvidiaImage()),
                    "msg: The BIOS Version is the same!!!"},
        RefusedFile{"TwoCharacterVersion",
                    BuildImage(With([](ImageRecipe& s) {
                      s.block.reset();
                      s.modelText = "RZ-PX4R7H/F12";
                    })),
                    "msg: The BIOS Version not match!!!"},
        RefusedFile{"MalformedVersion",
                    BuildImage(With([](ImageRecipe& s) {
                      s.block.reset();
                      s.modelText = "RZ-PX4R7H/F1x";
                    })),
                    "msg: The BIOS Version Error!!!"},
        RefusedFile{"BadChecksum", BuildImage(With([](ImageRecipe& s) { s.checksum = false; })),
                    "dialog: Checksum error! This file may be damaged!!"},
        RefusedFile{"CutShort", Cut(BuildImage(Newer()), 0x8000),
                    "dialog: Checksum error! This file may be damaged!!"},
        RefusedFile{"Missing", {}, "box \"Error\" ok error: Open rom file fail !!"}),
    [](const auto& p) { return std::string(p.param.name); });

// Without a card of the maker's NVIDIA road the file never reaches the flash job. A card that
// was accepted after the Caution question has no version, so no file's version is compatible
// with it: the job's image-versus-card check (result 3) cannot be reached through the command.
struct NoUsableCard {
  const char* preset;
  std::vector<std::string> answers;
  const char* message;
};

class FlashWithoutUsableCard : public ::testing::TestWithParam<NoUsableCard> {};

TEST_P(FlashWithoutUsableCard, StopsAtValidation) {
  CliSandbox box;
  box.Write("new.rom", BuildImage(Newer()));
  std::vector<std::string> args{"--machine", GetParam().preset};
  for (const auto& a : GetParam().answers) args.insert(args.end(), {"--answer", a});
  args.insert(args.end(), {"flash", "new.rom"});
  const CliResult r = box.Run(args);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "open-dialog"),
            (Lines{kBusy, GetParam().message, "status: Ready", "exit 1"}));
}

INSTANTIATE_TEST_SUITE_P(
    Presets, FlashWithoutUsableCard,
    ::testing::Values(NoUsableCard{"no-card", {}, "msg: The BIOS ID not match!!!"},
                      NoUsableCard{"other-vendor", {}, "msg: The BIOS ID not match!!!"},
                      NoUsableCard{"nvidia-nomaker", {"yes"}, "msg: The BIOS Version not match!!!"},
                      NoUsableCard{"nvidia-no-config", {"yes"}, "msg: The BIOS Version not match!!!"}),
    [](const auto& p) {
      std::string name = p.param.preset;
      for (char& c : name)
        if (c == '-') c = '_';
      return name;
    });

}  // namespace
}  // namespace rz::e2e
