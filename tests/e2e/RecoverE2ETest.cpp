// SPDX-License-Identifier: GPL-3.0-or-later
// A card whose flash was cut short by a power loss starts without its subsystem ids: the scan
// passes it by, `adapters` marks it as needing recovery, and `recover FILE` brings it back
// through the normal flash path, refusing a file that is not an intact image for its chip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "NvidiaFlashExpectations.h"
#include "base/BuildConfig.h"
#include "base/Sha256.h"

namespace rz::e2e {
namespace {

using nlohmann::json;
using testimage::BuildImage;
using namespace nvflash;
using Bytes = std::vector<std::uint8_t>;

bool Erased(const Bytes& chip) {
  return !chip.empty() && std::all_of(chip.begin(), chip.end(), [](std::uint8_t b) { return b == 0xFF; });
}

const char* const kNeedsRecoveryLine =
    "01:00  ids 0x10DE 0x0191  subsystem 0x0000 0x0000  needs recovery  listed in RZFLASH.CFG";

// A persisted board that takes its ids from its chip, with the old BIOS on it; `cut` runs a flash
// of a newer BIOS that loses power before its first byte, leaving the chip erased, and `whole`
// is the same machine powered up again without the fault.
struct CutShortFlash {
  explicit CutShortFlash(CliSandbox& b) : box(b) {
    json m = NvidiaMachine(box, "SST 39VF010", 0x34C7, old);
    m["adapters"][0]["subsystem_from_bios"] = true;
    json cut = m;
    cut["adapters"][0]["eeprom"]["faults"] = {{"power_cut_after_bytes", 0}};
    box.Write("new.rom", BuildImage(Newer()));
    cutScenario = box.WriteScenario("cut.json", cut);
    scenario = box.WriteScenario("whole.json", m);
  }
  CliResult Run(std::vector<std::string> args) const {
    args.insert(args.begin(), {"--machine", scenario});
    return box.Run(args);
  }
  CliSandbox& box;
  const Bytes old = BuildImage(PresetNvidiaImage());
  std::string cutScenario;
  std::string scenario;
};

// The flash that loses power fails, and what it says names the safety backup of the old BIOS.
CliResult FlashUntilThePowerGoes(CutShortFlash& c) {
  const CliResult r = c.box.Run({"--machine", c.cutScenario, "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_FALSE(r.Starting("msg: The flash failed, and writing the previous BIOS back failed too. "
                          "The previous BIOS was saved to <dir>/" + std::string(kFirstBackup))
                   .empty())
      << ::testing::PrintToString(r.lines);
  return r;
}

TEST(Recover, BringsBackTheCardThatAPowerCutLeftBlank) {
  CliSandbox box;
  CutShortFlash c(box);
  FlashUntilThePowerGoes(c);
  const Bytes left = box.Read("card.rom");
  ASSERT_GE(left.size(), 2u);
  ASSERT_FALSE(left[0] == 0x55 && left[1] == 0xAA) << "the power cut left no BIOS header";

  const CliResult listed = c.Run({"adapters"});
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_EQ(listed.out, std::string(kNeedsRecoveryLine) + "\n");
  const json j = json::parse(c.Run({"--json", "adapters"}).out);
  ASSERT_EQ(j.at("adapters").size(), 1u) << j.dump();
  EXPECT_EQ(j["adapters"][0].at("needs_recovery"), true);
  EXPECT_TRUE(j["adapters"][0].at("index").is_null());

  const CliResult flash = c.Run({"flash", "new.rom"});
  EXPECT_EQ(flash.exitCode, 1);
  EXPECT_TRUE(flash.Has("box \"Error\" ok none: No Card Found")) << ::testing::PrintToString(flash.lines);

  const std::string backup = box.Path(kFirstBackup);
  const CliResult r = c.Run({"--answer", "yes", "recover", backup});
  EXPECT_EQ(r.exitCode, 0) << r.err << ::testing::PrintToString(r.lines);
  EXPECT_TRUE(r.Has("msg: Flash BIOS completed!!!")) << ::testing::PrintToString(r.lines);
  ExpectChipHolds(box.Read("card.rom"), c.old);

  // Powered up again the board has its ids back: the scan finds the card and nothing needs
  // recovery.
  const CliResult after = c.Run({"adapters"});
  EXPECT_EQ(after.exitCode, 0);
  char line[160];
  std::snprintf(line, sizeof line,
                "01:00  ids 0x10DE 0x0191  subsystem 0x%04X 0x34C7  adapter 0  listed in "
                "RZFLASH.CFG  road: programmed\n",
                unsigned{kMakerSubsystemVendorId});
  EXPECT_EQ(after.out, line);
  EXPECT_EQ(c.Run({"recover", backup}).exitCode, 1);

  const json h = json::parse(c.Run({"--json", "history"}).out);
  const json& e = h.at("entries");
  ASSERT_FALSE(e.empty()) << h.dump();
  EXPECT_EQ(e.back().at("action"), "recover");
  EXPECT_EQ(e.back().at("result"), "ok");
  EXPECT_EQ(e.back().at("new_sha256"), Sha256::Hex(Sha256::Of(box.Read(kFirstBackup))));
}

// Files refused before anything is written: another chip's image, a damaged one, one that is no
// image at all, one cut short; and a recovery the person declines.
TEST(Recover, RefusesWhatDoesNotFitAndWritesNothing) {
  CliSandbox box;
  CutShortFlash c(box);
  FlashUntilThePowerGoes(c);
  const Bytes blank = box.Read("card.rom");

  testimage::ImageRecipe otherChip = PresetNvidiaImage();
  otherChip.deviceId = 0x0402;
  box.Write("other.rom", BuildImage(otherChip));
  Bytes damaged = c.old;
  damaged[0x200] ^= 0x01;
  box.Write("damaged.rom", damaged);
  box.Write("cut.rom", Bytes(c.old.begin(), c.old.begin() + 0x400));
  box.WriteText("text.rom", "not a BIOS at all");
  testimage::ImageRecipe atiChip = PresetNvidiaImage();
  atiChip.vendorId = 0x1002;
  box.Write("ati.rom", BuildImage(atiChip));
  const struct {
    const char* file;
    const char* why;
  } refused[] = {
      {"other.rom", "its image is for device 0x0402, the card is 0x0191"},
      {"damaged.rom", "its checksum does not add up: the image is damaged"},
      {"cut.rom", "the file ends before its image does"},
      {"text.rom", "it holds no BIOS image (no 55 AA signature)"},
      {"ati.rom", "its image is for PCI vendor 0x1002, not NVIDIA"},
  };
  for (const auto& f : refused) {
    SCOPED_TRACE(f.file);
    const CliResult r = c.Run({"--answer", "yes", "recover", f.file});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.Has(std::string("msg: The file ") + f.file + " cannot recover this card: " +
                      f.why + "."))
        << ::testing::PrintToString(r.lines);
    EXPECT_TRUE(r.Starting("yesno").empty()) << "nothing is asked about a refused file";
    EXPECT_EQ(box.Read("card.rom"), blank);
  }

  const CliResult no = c.Run({"--answer", "no", "recover", "new.rom"});
  EXPECT_EQ(no.exitCode, 1);
  const auto asked = no.Starting("yesno");
  ASSERT_EQ(asked.size(), 1u) << ::testing::PrintToString(no.lines);
  EXPECT_NE(asked[0].find("needs recovery, 01:00  ids 0x10DE 0x0191  subsystem 0x0000 0x0000?"),
            std::string::npos)
      << asked[0];
  EXPECT_EQ(box.Read("card.rom"), blank);
}

// Several cards that need recovery are not guessed among; none at all is said plainly.
TEST(Recover, NamesTheCardAmongSeveralAndSaysWhenThereIsNone) {
  CliSandbox box;
  json m = NvidiaMachine(box, "SST 39VF010", 0x34C7, Bytes(0x10000, 0xFF));
  m["adapters"][0]["subsystem_from_bios"] = true;
  json second = m["adapters"][0];
  second["bus"] = 2;
  second["eeprom"]["image"] = "card2.rom";
  box.Write("card2.rom", Bytes(0x10000, 0xFF));
  m["adapters"].push_back(second);
  const std::string two = box.WriteScenario("two.json", m);
  box.Write("good.rom", BuildImage(PresetNvidiaImage()));
  const CliResult several = box.Run({"--machine", two, "--answer", "yes", "recover", "good.rom"});
  EXPECT_EQ(several.exitCode, 2);
  EXPECT_NE(several.err.find("2 display adapters were found; name the card to work on with "
                             "--adapter BB:DD"),
            std::string::npos)
      << several.err;
  EXPECT_TRUE(Erased(box.Read("card.rom")));

  const CliResult named = box.Run(
      {"--machine", two, "--json", "--answer", "yes", "--adapter", "02:00", "recover", "good.rom"});
  EXPECT_EQ(named.exitCode, 0) << named.err;
  const json j = json::parse(named.out);
  EXPECT_EQ(j.at("adapter").at("bus"), 2);
  EXPECT_EQ(j.at("adapter").at("subsystem_id"), "0x0000");
  EXPECT_EQ(j.at("adapter").at("needs_recovery"), true);
  ASSERT_EQ(j.at("kept").size(), 1u) << j.dump();
  EXPECT_EQ(j["kept"][0].at("kind"), "safety-backup") << j.dump();
  ExpectChipHolds(box.Read("card2.rom"), BuildImage(PresetNvidiaImage()));
  EXPECT_TRUE(Erased(box.Read("card.rom")));

  CliSandbox whole;
  const std::string fine = whole.WriteScenario(
      "m.json", NvidiaMachine(whole, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage())));
  whole.Write("good.rom", BuildImage(PresetNvidiaImage()));
  const CliResult none = whole.Run({"--machine", fine, "recover", "good.rom"});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.err.find("No card that needs recovery was found."), std::string::npos) << none.err;
}

}  // namespace
}  // namespace rz::e2e
