// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli with several display adapters: save, verify and flash refuse to guess the card,
// --adapter BB:DD puts the named one in adapter 0's place for the whole run, and the card that was
// not named is never touched.
#include <gtest/gtest.h>

#include "NvidiaFlashExpectations.h"
#include "base/BuildConfig.h"

namespace rz::e2e {
namespace {

using nlohmann::json;
using testimage::BuildImage;
using testimage::ImageRecipe;
using Bytes = std::vector<std::uint8_t>;

// An adapter as the refusals list it.
std::string Listed(const char* address, unsigned device, unsigned subsystem) {
  char line[120];
  std::snprintf(line, sizeof line,
                "  %s  ids 0x10DE 0x%04X  subsystem 0x%04X 0x%04X  road: programmed", address,
                device, unsigned{kMakerSubsystemVendorId}, subsystem);
  return line;
}

ImageRecipe SecondCardImage(std::uint8_t version, std::uint32_t seed) {
  ImageRecipe s = PresetNvidiaImage();
  s.deviceId = 0x0300;  // the older register layout: detection must take it from this card
  s.subsystemId = 0x34C9;
  s.block->model = "RZ-PX9Z9";
  s.block->number = version;
  s.seed = seed;
  return s;
}

// Two NVIDIA boards of the maker, each chip persisted in its own file: 01:00 (0x0191, subsystem
// 0x34C7, SST 39VF010, "card.rom") and 0B:00 (0x0300, subsystem 0x34C9, PMC PM25LV010,
// "card2.rom"). "new2.rom" is a newer BIOS for the second board, "same2.rom" the one it holds.
struct TwoCards {
  explicit TwoCards(CliSandbox& b) : box(b) {
    json m = NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage()));
    box.WriteText("program/RZFLASH.CFG", "asic_nv 10de 191 1 0 G80\nasic_nv 10de 300 1 0 OLD\n");
    box.Write("card2.rom", second);
    json other = m["adapters"][0];
    other.update({{"bus", 0x0B}, {"device_id", "0x0300"}, {"subsystem_id", 0x34C9}});
    other["eeprom"] = {{"chip", "PMC PM25LV010"}, {"image", "card2.rom"}, {"persist", true}};
    m["adapters"].push_back(other);
    scenario = box.WriteScenario("two.json", m);
    box.Write("new2.rom", newer);
    box.Write("same2.rom", second);
    // The chips as the emulator keeps them (whole parts) after a run that reads neither.
    EXPECT_EQ(box.Run({"--machine", scenario, "adapters"}).exitCode, 0);
    chip1 = box.Read("card.rom");
    chip2 = box.Read("card2.rom");
  }
  CliResult Run(std::vector<std::string> args) const {
    args.insert(args.begin(), {"--machine", scenario});
    return box.Run(args);
  }
  void ExpectBothUntouched() const {
    EXPECT_EQ(box.Read("card.rom"), chip1);
    EXPECT_EQ(box.Read("card2.rom"), chip2);
  }
  CliSandbox& box;
  const Bytes second = BuildImage(SecondCardImage(4, 3));
  const Bytes newer = BuildImage(SecondCardImage(5, 9));
  std::string scenario;
  Bytes chip1, chip2;
};

struct RefusalCase {
  const char* name;
  std::vector<std::string> args;
  const char* firstLine;
};

class AdapterRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(AdapterRefusal, ListsTheAdaptersAndReadsNoCard) {
  const RefusalCase& c = GetParam();
  CliSandbox box;
  TwoCards m(box);
  const std::string listing = std::string(c.firstLine) + "\n" + Listed("01:00", 0x0191, 0x34C7) +
                              "\n" + Listed("0B:00", 0x0300, 0x34C9);
  for (const bool withJson : {false, true}) {
    std::vector<std::string> args = c.args;
    if (withJson) args.insert(args.begin(), "--json");
    const CliResult r = m.Run(args);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("rzflash-cli: " + listing), std::string::npos) << r.err;
    if (withJson) {
      EXPECT_EQ(json::parse(r.out).at("problem"), listing) << r.out;
    }
    EXPECT_TRUE(r.Starting("label").empty()) << ::testing::PrintToString(r.lines);
  }
  m.ExpectBothUntouched();
  EXPECT_FALSE(box.Exists("out.rom"));
  EXPECT_FALSE(box.Exists("program/Backups"));
}

const char* const kChoose =
    "2 display adapters were found; name the card to work on with --adapter BB:DD:";

INSTANTIATE_TEST_SUITE_P(
    TwoCards, AdapterRefusal,
    ::testing::Values(RefusalCase{"Flash", {"flash", "new2.rom"}, kChoose},
                      RefusalCase{"Save", {"save", "out.rom"}, kChoose},
                      RefusalCase{"Verify", {"verify", "same2.rom"}, kChoose},
                      RefusalCase{"FlashOfNoAdapter",
                                  {"--adapter", "02:00", "flash", "new2.rom"},
                                  "--adapter 02:00 names no display adapter found; the adapters "
                                  "found:"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(NamedCard, FlashProgramsTheNamedCardOnlyAndRecordsIt) {
  CliSandbox box;
  TwoCards m(box);
  const CliResult r = m.Run({"--json", "--adapter", "0b:00", "flash", "new2.rom"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(json::parse(r.out).at("adapter").at("bus"), 0x0B);
  EXPECT_TRUE(r.Has("label lBIOSVersion: PX9Z9 F5")) << ::testing::PrintToString(r.lines);
  nvflash::ExpectChipHolds(box.Read("card2.rom"), m.newer);
  EXPECT_EQ(box.Read("card.rom"), m.chip1) << "the card that was not named stays byte for byte";
  EXPECT_EQ(box.Read("program/Backups/PX9Z9.F4-20260101-000001.rom"), m.chip2);
  const auto log = box.Read("program/history.log");
  const std::string history(log.begin(), log.end());
  char card[40];
  std::snprintf(card, sizeof card, "\t0B:00\t10DE:0300\t%04X:34C9\t",
                unsigned{kMakerSubsystemVendorId});
  EXPECT_NE(history.find(card), std::string::npos) << history;
}

// Save, verify and info read the named card; info without --adapter shows adapter 0.
TEST(NamedCard, SaveVerifyAndInfoReadTheNamedCard) {
  struct Case {
    std::vector<std::string> adapter;
    bool second;
  };
  for (const Case& c :
       {Case{{"--adapter", "01:00"}, false}, Case{{"--adapter", "0b:00"}, true}, Case{{}, false}}) {
    CliSandbox box;
    TwoCards m(box);
    const auto run = [&](std::vector<std::string> args) {
      args.insert(args.begin(), c.adapter.begin(), c.adapter.end());
      return m.Run(args);
    };
    const json info = json::parse(run({"--json", "info"}).out);
    EXPECT_EQ(info.at("adapter").at("bus"), c.second ? 0x0B : 0x01);
    EXPECT_EQ(info.at("model_name"), c.second ? "PX9Z9" : "PX4R7");
    EXPECT_EQ(info.at("eeprom_name"), c.second ? "PMC PM25LV010" : "SST 39VF010");
    if (c.adapter.empty()) continue;  // save and verify refuse without it
    EXPECT_EQ(run({"save", "out.rom"}).exitCode, 0);
    const Bytes saved = box.Read("out.rom");
    const Bytes& chip = c.second ? m.chip2 : m.chip1;
    ASSERT_LE(saved.size(), chip.size());
    EXPECT_TRUE(!saved.empty() && std::equal(saved.begin(), saved.end(), chip.begin()));
    EXPECT_EQ(run({"verify", "same2.rom"}).exitCode, c.second ? 0 : 1);
    m.ExpectBothUntouched();
  }
}

TEST(SingleAdapter, NamingTheOnlyCardChangesNothing) {
  CliSandbox box;
  const CliResult plain = box.Run({"--machine", "nvidia-spi", "info"});
  const CliResult named = box.Run({"--machine", "nvidia-spi", "--adapter", "01:00", "info"});
  EXPECT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_EQ(named.exitCode, 0) << named.err;
  EXPECT_EQ(named.lines, plain.lines);
}

// The vendor tool is handed a fixed adapter number: an ATI card after an NVIDIA card is the
// tool's first and can be named, one after another ATI card cannot.
TEST(NamedCard, AtiCardIsNamedOnlyWhereTheVendorToolReachesIt) {
  for (const bool atiFirst : {false, true}) {
    CliSandbox box;
    json m = AtiMachine(box, 0x21B8, BuildImage(PresetAtiImage()));
    json first = NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage()));
    if (atiFirst) {
      first = m;
      first["adapters"][0]["eeprom"]["image"] = "ati-first.rom";
      box.Write("ati-first.rom", BuildImage(AtiImage(0x21B8, "RZ-HD485/F1")));
    }
    m["adapters"][0]["bus"] = 2;
    m["adapters"].insert(m["adapters"].begin(), first["adapters"][0]);
    const CliResult r = box.Run(
        {"--machine", box.WriteScenario("m.json", m), "--adapter", "02:00", "save", "out.rom"});
    if (!atiFirst) {
      EXPECT_EQ(r.exitCode, 0) << r.err;
      EXPECT_EQ(box.Read("out.rom"), box.Read("ati-card.rom"));
      continue;
    }
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("rzflash-cli: the ATI card at 02:00 cannot be worked on while the ATI "
                         "card at 01:00 comes before it in the scan"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(r.Starting("launch").empty()) << ::testing::PrintToString(r.lines);
    EXPECT_FALSE(box.Exists("out.rom"));
  }
}

}  // namespace
}  // namespace rz::e2e
