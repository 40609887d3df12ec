// rzflash-cli flash on the NVIDIA road: the stock BIOS offer, file validation, every reachable
// result of the flash step, the restart offer, and a flashed card seen again by the next run.
#include <gtest/gtest.h>

#include <algorithm>

#include "CliRunner.h"
#include "Machines.h"

namespace rz::e2e {
namespace {

using nlohmann::json;
using testimage::BuildImage;
using testimage::ImageSpec;

const char* const kBusy = "status: Please wait a moment ...DO NOT shut down this computer";
const char* const kBlank = "msg: The screen may go *BLANK* during EEPROM flash";
const char* const kRestartNo =
    "yesno -> no: You must restart your system to take new changes.\\nDo you want to restart now ?";
const char* const kRestartYes =
    "yesno -> yes: You must restart your system to take new changes.\\nDo you want to restart now ?";

ImageSpec Newer() {
  ImageSpec s = PresetNvidiaImage();
  s.block->number = 5;
  s.seed = 9;
  return s;
}

// The card's chip holds `image` from offset 0 and nothing else was written.
void ExpectChipHolds(const std::vector<std::uint8_t>& chip, const std::vector<std::uint8_t>& image) {
  ASSERT_GE(chip.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), chip.begin()));
  EXPECT_TRUE(std::all_of(chip.begin() + static_cast<long>(image.size()), chip.end(),
                          [](std::uint8_t b) { return b == 0xFF; }));
}

bool HasLabelLines(const Lines& lines) {
  return std::any_of(lines.begin(), lines.end(),
                     [](const std::string& l) { return l.rfind("label ", 0) == 0; });
}

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
    ImageSpec card = PresetNvidiaImage();
    card.block.reset();
    card.subsystemId = subsystemId;
    card.modelText = modelText;
    ImageSpec stock = card;
    stock.seed = 7;
    stock.modelText = "RZ-PX4R7H/F4_C";
    stockOne = BuildImage(stock);
    box.Write("program/BIOS Files/PX4R7H.F4_C", stockOne);
    stock.modelText = "RZ-PX4R7H/F12_C";
    stockTwo = BuildImage(stock);
    box.Write("program/BIOS Files/PX4R7H.F12_C", stockTwo);
    ImageSpec chosen = card;
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
  void (*card)(ImageSpec&);
  void (*file)(ImageSpec&);
  const char* atDetection;
  const char* afterFlash;
};

class VersionLabel : public ::testing::TestWithParam<LabelCase> {};

TEST_P(VersionLabel, ShowsTheVersionBeforeAndAfterTheFlash) {
  const LabelCase& c = GetParam();
  CliSandbox box;
  ImageSpec card = PresetNvidiaImage();
  c.card(card);
  ImageSpec file = card;
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
        LabelCase{"Block", [](ImageSpec&) {}, [](ImageSpec& s) { s.block->number = 5; },
                  "PX4R7 F4", "PX4R7 F5"},
        LabelCase{"BlockWithSuffix", [](ImageSpec& s) { s.block->suffix = 'B'; },
                  [](ImageSpec& s) {
                    s.block->number = 5;
                    s.block->suffix = 'C';
                  },
                  "PX4R7 F4B", "PX4R7 F5C"},
        LabelCase{"ModelText",
                  [](ImageSpec& s) {
                    s.block.reset();
                    s.modelText = "RZ-PX4R7H/F4";
                  },
                  [](ImageSpec& s) { s.modelText = "RZ-PX4R7H/F5"; }, "RZ-PX4R7H F4",
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

ImageSpec With(void (*change)(ImageSpec&)) {
  ImageSpec s = Newer();
  change(s);
  return s;
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
        RefusedFile{"OtherDevice", BuildImage(With([](ImageSpec& s) { s.deviceId = 0x0400; })),
                    "msg: The BIOS ID not match!!!"},
        RefusedFile{"OtherSubsystem",
                    BuildImage(With([](ImageSpec& s) { s.subsystemId = 0x34C9; })),
                    "msg: The BIOS ID not match!!!"},
        // A package whose images all belong to other card numbers leaves nothing to check.
        RefusedFile{"PackageForOtherCards",
                    testimage::BuildPackage(
                        {BuildImage(With([](ImageSpec& s) { s.block->cardNumber = 1; })),
                         BuildImage(With([](ImageSpec& s) { s.block->cardNumber = 2; }))}),
                    "msg: The BIOS ID not match!!!"},
        RefusedFile{"SameVersion", BuildImage(PresetNvidiaImage()),
                    "msg: The BIOS Version is the same!!!"},
        RefusedFile{"TwoCharacterVersion",
                    BuildImage(With([](ImageSpec& s) {
                      s.block.reset();
                      s.modelText = "RZ-PX4R7H/F12";
                    })),
                    "msg: The BIOS Version not match!!!"},
        RefusedFile{"MalformedVersion",
                    BuildImage(With([](ImageSpec& s) {
                      s.block.reset();
                      s.modelText = "RZ-PX4R7H/F1x";
                    })),
                    "msg: The BIOS Version Error!!!"},
        RefusedFile{"BadChecksum", BuildImage(With([](ImageSpec& s) { s.checksum = false; })),
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

// ---- Results of the flash step ----

TEST(FlashStep, NewerImageIsProgrammedAndTheLabelsComeFromTheCard) {
  CliSandbox box;
  const auto scenario = box.WriteScenario(
      "m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage())));
  // The newer image comes from the image tool, as a user would make it.
  ASSERT_EQ(box.MakeImage({"--block", "F5", "--seed", "9", "new.rom"}), 0);
  const CliResult r = box.Run({"--machine", scenario, "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(After(r.lines, "open-dialog"),
            (Lines{kBusy, kBlank, kBusy, "label lBIOSVersion: PX4R7 F5",
                   "label lEEPROMName: SST 39VF010        ", "label lEEPROMSize: 65536 bytes",
                   "status: Ready", "msg: Flash BIOS completed!!!", kRestartNo, "status: Ready",
                   "exit 0"}));
  ExpectChipHolds(box.Read("card.rom"), box.Read("new.rom"));
}

// A package is reduced to the image of this card's number (0) before it is checked and flashed.
TEST(FlashStep, PackageFlashesTheImageOfThisCard) {
  CliSandbox box;
  const auto scenario = box.WriteScenario(
      "m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage())));
  const auto mine = BuildImage(Newer());
  box.Write("package.rom",
            testimage::BuildPackage(
                {BuildImage(With([](ImageSpec& s) { s.block->cardNumber = 1; })), mine}));
  const CliResult r = box.Run({"--machine", scenario, "flash", "package.rom"});
  EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
  EXPECT_TRUE(r.Has("label lBIOSVersion: PX4R7 F5"));
  ExpectChipHolds(box.Read("card.rom"), mine);
  // The extracted image lived in a scratch folder that is gone with the run.
  EXPECT_TRUE(box.LeftoverTemporaryFolders().empty());
}

// A serial chip behind the newer GPIO register layout (device 0x0400): the labels after the
// flash are read back from the card, so they show that the new image is in the chip.
TEST(FlashStep, SerialChipOnTheNewerRegisterLayoutIsFlashed) {
  CliSandbox box;
  ASSERT_EQ(box.MakeImage({"--device", "0x0400", "--block", "F5", "new.rom"}), 0);
  const CliResult r = box.Run({"--machine", "nvidia-sst25", "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
  EXPECT_EQ(After(r.lines, "open-dialog"),
            (Lines{kBusy, kBlank, kBusy, "label lBIOSVersion: PX4R7 F5",
                   "label lEEPROMName: SST 25VF512        ", "label lEEPROMSize: 65536 bytes",
                   "status: Ready", "msg: Flash BIOS completed!!!", kRestartNo, "status: Ready",
                   "exit 0"}));
}

// The chip answers ids the catalogue does not hold: the job cannot begin.
TEST(FlashStep, UnknownChipEndsAsRomAlreadyProgrammed) {
  CliSandbox box;
  box.Write("new.rom", BuildImage(Newer()));
  const CliResult r = box.Run({"--machine", "nvidia-unknown-chip", "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "open-dialog"),
            (Lines{kBusy, kBlank, kBusy, "box \"\" ok none: Supported EEPROM not found.",
                   "status: Rom already programmed", "dialog: Rom already programmed",
                   "status: Ready", "exit 1"}));
}

struct BrokenFlash {
  const char* name;
  json chipFaults;
  Lines shown;  // what follows the second busy status
};

class FailingChip : public ::testing::TestWithParam<BrokenFlash> {};

// Programming itself fails: the chip loses power, keeps cells or never finishes; the labels keep
// the old BIOS and no restart is offered.
TEST_P(FailingChip, EndsInFailAndOffersNoRestart) {
  const BrokenFlash& c = GetParam();
  CliSandbox box;
  const auto card = BuildImage(PresetNvidiaImage());
  const auto scenario = box.WriteScenario(
      "m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, card, {{"faults", c.chipFaults}}));
  box.Write("new.rom", BuildImage(Newer()));
  const CliResult r = box.Run({"--machine", scenario, "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 1);
  const std::string backup = "program/Backups/PX4R7.F4-20260101-000001.rom";
  EXPECT_EQ(After(r.lines, "open-dialog"),
            Join(Join({kBusy, kBlank, kBusy}, c.shown),
                 {"status: Fail !!", "dialog: Fail !!",
                  "msg: The previous BIOS was saved to <dir>/" + backup +
                      ". Flash that file to restore the card.",
                  "status: Ready", "exit 1"}));
  EXPECT_FALSE(HasLabelLines(After(r.lines, "open-dialog")));
  EXPECT_NE(box.Read("card.rom"), BuildImage(Newer()));
  // The backup is the whole chip as it was: the card's image, then erased cells.
  auto expected = card;
  expected.resize(128 * 1024, 0xFF);
  EXPECT_EQ(box.Read(backup), expected);
}

INSTANTIATE_TEST_SUITE_P(
    ChipFaults, FailingChip,
    ::testing::Values(
        BrokenFlash{"PowerCut", {{"power_cut_after_bytes", 1000}},
                    {"box \"ERROR\" ok error: Programming cycle had an error ... Aborting."}},
        BrokenFlash{"StuckCells", {{"stuck_cells", {{"offset", 0x100}}}},
                    {"box \"ERROR\" ok error: Programming cycle had an error ... Aborting."}},
        BrokenFlash{"StuckBusy", {{"chip_stuck_busy", true}}, {}}),
    [](const auto& p) { return std::string(p.param.name); });

// An image longer than the 64 KiB the job can hold is refused before anything on the chip changes.
TEST(FlashStep, ImageLongerThanTheBufferLeavesTheChipAsItWas) {
  CliSandbox box;
  const auto card = BuildImage(PresetNvidiaImage());
  const auto scenario = box.WriteScenario("m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, card));
  box.Write("big.rom", BuildImage(With([](ImageSpec& s) { s.lengthByte = 0x90; })));
  const CliResult r = box.Run({"--machine", scenario, "flash", "big.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "open-dialog"),
            (Lines{kBusy, kBlank, kBusy, "box \"ERROR\" ok error: Error reading file into buffer.",
                   "status: Fail !!", "dialog: Fail !!", "status: Ready", "exit 1"}));
  ExpectChipHolds(box.Read("card.rom"), card);
}

// A file longer than its image: only the image the length byte describes is programmed.
TEST(FlashStep, OnlyTheImageOfALongerFileIsProgrammed) {
  CliSandbox box;
  const auto scenario = box.WriteScenario(
      "m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage())));
  const auto image = BuildImage(Newer());
  auto file = image;
  file.insert(file.end(), 0x4000, 0x3C);
  box.Write("long.rom", file);
  const CliResult r = box.Run({"--machine", scenario, "flash", "long.rom"});
  EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
  ExpectChipHolds(box.Read("card.rom"), image);
}

// A file failure with no message of its own: the file cannot be closed at the end of the job.
TEST(FlashStep, FileThatCannotBeClosedEndsReadyWithoutCompletion) {
  CliSandbox box;
  json m = NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage()));
  m["faults"] = {{"file_close_fail", {"new.rom"}}};
  box.Write("new.rom", BuildImage(Newer()));
  const CliResult r = box.Run({"--machine", box.WriteScenario("m.json", m), "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "open-dialog"),
            (Lines{kBusy, kBlank, kBusy, "status: Ready", "status: Ready", "exit 1"}));
}

// The driver stops mapping memory after the n-th mapping of the run, for every n up to the
// point where the whole run succeeds. Whatever the point, the card ends either untouched or
// holding the whole new image, success is reported only for a completed flash, and the outcomes
// include result 2 ("mapNV"), result 1 ("Accessing EEPROM error") and a failed read-back for
// display after a good flash ("Save Flash BIOS Fail!!!", labels emptied, no restart offer).
TEST(FlashStep, MappingFailingAtAnyPointNeverLeavesAHalfFlashedCardUnreported) {
  CliSandbox box;
  const auto card = BuildImage(PresetNvidiaImage());
  const auto newer = BuildImage(Newer());
  box.Write("new.rom", newer);
  bool sawNoWindow = false, sawNoIdentity = false, sawReadBackFail = false, sawCompleted = false;
  for (int n = 1; n <= 12 && !sawCompleted; ++n) {
    SCOPED_TRACE("map_fail_after " + std::to_string(n));
    json m = NvidiaMachine(box, "SST 39VF010", 0x34C7, card);
    m["faults"] = {{"map_fail_after", n}};
    const CliResult r = box.Run({"--machine", box.WriteScenario("m.json", m), "flash", "new.rom"});
    const auto chip = box.Read("card.rom");
    const bool flashed = chip.size() >= newer.size() && std::equal(newer.begin(), newer.end(), chip.begin());
    const bool completed = r.Has("msg: Flash BIOS completed!!!");
    EXPECT_EQ(r.exitCode == 0, completed) << ::testing::PrintToString(r.lines);
    if (!flashed) {
      ExpectChipHolds(chip, card);
    }
    if (r.Has("msg: Save Flash BIOS Fail!!!")) {
      sawReadBackFail = true;
      EXPECT_TRUE(flashed);
      // When both maps of the read-back fail, the second failure is counted, not shown.
      Lines tail = After(r.lines, "msg: Save Flash BIOS Fail!!!");
      std::erase(tail, "repeated 1: DeviceIOControl Fail(IOCTL_MAP_PHYS_TO_LINEAR)");
      EXPECT_EQ(tail, (Lines{"status: Ready", "exit 1"}));
      EXPECT_TRUE(r.Has("label lBIOSVersion: "));
      EXPECT_TRUE(r.Starting("yesno").empty());
    }
    if (r.Has("dialog: Rom already programmed")) {
      sawNoWindow = true;
      EXPECT_FALSE(flashed);
      EXPECT_EQ(After(r.lines, "box \"Error\" ok none: mapNV"),
                (Lines{"status: Rom already programmed", "dialog: Rom already programmed",
                       "status: Ready", "exit 1"}));
    }
    if (r.Has("box \"\" ok none: Accessing EEPROM error")) {
      sawNoIdentity = true;
      EXPECT_FALSE(flashed);
      EXPECT_EQ(After(r.lines, "box \"\" ok none: Accessing EEPROM error"),
                (Lines{"status: Ready", "status: Ready", "exit 1"}));
    }
    sawCompleted = completed;
    if (completed) {
      EXPECT_TRUE(flashed);
    }
  }
  EXPECT_TRUE(sawNoWindow);
  EXPECT_TRUE(sawNoIdentity);
  EXPECT_TRUE(sawReadBackFail);
  EXPECT_TRUE(sawCompleted);
}

// The driver's port requests fail from the middle of programming on (start-up takes some 16,500
// of them, programming this 64 KiB image over a million): the flash stops there and fails, and
// the failure is one box.
TEST(FlashStep, FailingPortRequestsShowOneBoxAndNeverComplete) {
  CliSandbox box;
  json m = NvidiaMachine(box, "PMC PM25LV010", 0x34C7, BuildImage(PresetNvidiaImage()));
  m["faults"] = {{"port_fail_after", 200000}};
  box.Write("new.rom", BuildImage(Newer()));
  const CliResult r = box.Run({"--machine", box.WriteScenario("m.json", m), "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(),
                       "box \"\" ok none: DeviceIOControl Fail(IOCTL_ACCESS_PORT_DATA)"),
            1);
  EXPECT_TRUE(r.Has("box \"ERROR\" ok error: Programming cycle had an error ... Aborting."));
  EXPECT_TRUE(std::none_of(r.lines.begin(), r.lines.end(), [](const std::string& l) {
    return l.find("completed!!!") != std::string::npos;
  }));
}

// A card whose ROM header says zero length shows nothing at start, but can be flashed back to a
// working BIOS.
TEST(FlashStep, CardWithADamagedHeaderCanBeFlashed) {
  CliSandbox box;
  auto card = BuildImage(PresetNvidiaImage());
  card[2] = 0;
  const auto scenario = box.WriteScenario("m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, card));
  const auto newer = BuildImage(Newer());
  box.Write("new.rom", newer);
  const CliResult r = box.Run({"--machine", scenario, "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
  EXPECT_EQ(Lines(r.lines.begin(), r.lines.begin() + 4),
            (Lines{"box \"ERROR\" ok error: found zero ROM size.", "label lBIOSVersion: ",
                   "label lEEPROMName: ", "label lEEPROMSize: "}));
  EXPECT_TRUE(r.Has("label lBIOSVersion: PX4R7 F5"));
  ExpectChipHolds(box.Read("card.rom"), newer);
}

// ---- A flashed card persists: the next run sees the new version ----

TEST(FlashStep, NextRunShowsTheFlashedVersion) {
  CliSandbox box;
  ImageSpec card = PresetNvidiaImage();
  card.block.reset();
  card.modelText = "RZ-PX4R7H/F4";
  const auto scenario =
      box.WriteScenario("m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(card)));
  ASSERT_EQ(box.MakeImage({"--model-text", "RZ-PX4R7H/F5", "--seed", "3", "new.rom"}), 0);

  const CliResult before = box.Run({"--machine", scenario, "info"});
  EXPECT_TRUE(before.Has("label lBIOSVersion: RZ-PX4R7H F4"));
  const CliResult flash = box.Run({"--machine", scenario, "flash", "new.rom"});
  ASSERT_EQ(flash.exitCode, 0) << flash.err;
  const CliResult after = box.Run({"--machine", scenario, "info"});
  EXPECT_EQ(after.exitCode, 0);
  EXPECT_TRUE(after.Has("label lBIOSVersion: RZ-PX4R7H F5"));
  ExpectChipHolds(box.Read("card.rom"), box.Read("new.rom"));
}

}  // namespace
}  // namespace rz::e2e
