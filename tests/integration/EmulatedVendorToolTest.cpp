// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated vendor flash tool: its two command lines, refusals, start conditions, persistence.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "sim/scenario/Presets.h"
#include "support/SimHarness.h"
#include "support/SpecialFiles.h"

namespace rz::test {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& p, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(p, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Two ATI boards with 4 KiB EEPROMs (0x11... and 0x22...) and an NVIDIA one in between, which
// does not count as a tool adapter.
struct ToolMachine {
  explicit ToolMachine(json tool = "ok") {
    WriteBytes(files.Path() / "a.rom", std::vector<std::uint8_t>(0x1000, 0x11));
    WriteBytes(files.Path() / "b.rom", std::vector<std::uint8_t>(0x800, 0x22));
    json a = Adapter(1, 0, 0x1002, 0x9442), n = Adapter(2, 0, 0x10DE, 0x0191),
         b = Adapter(3, 0, 0x1002, 0x9442);
    a["eeprom"] = {{"image", (files.Path() / "a.rom").string()}, {"persist", true}};
    b["eeprom"] = {{"image", (files.Path() / "b.rom").string()}, {"size", 0x1000}};
    h = std::make_unique<SimHarness>(json{{"vendor_tool", tool}, {"adapters", {a, n, b}}});
    fs::create_directories(h->dir.Path() / "tool");
    fs::create_directories(Exchange());
    h->dir.Write(sim::kEmulatedToolRelativePath, "placeholder");
  }
  // The tool runs in a folder of its own, where its file names are taken.
  platform::LaunchResult Run(const std::string& args) {
    return h->platform->Seams().launcher.RunAndWait(ToolPath(), args, Exchange().string());
  }
  fs::path Exchange() const { return h->dir.Path() / "exchange"; }
  std::string ToolPath() const { return h->dir.File(sim::kEmulatedToolRelativePath); }
  sim::AtiCard& Card(std::size_t adapter) {
    return *dynamic_cast<sim::AtiCard*>(h->platform->AdapterDevice(adapter));
  }
  TempDir files;
  std::unique_ptr<SimHarness> h;
};

TEST(EmulatedVendorTool, SavesAnAdaptersWholeEepromInTheFolderItRunsIn) {
  ToolMachine m;
  const auto r0 = m.Run("-s 0 Save.bin -quiet");
  EXPECT_TRUE(r0.started);
  EXPECT_EQ(r0.exitCode, 0);
  EXPECT_EQ(ReadAll(m.Exchange() / "Save.bin"), std::vector<std::uint8_t>(0x1000, 0x11));
  EXPECT_FALSE(fs::exists(m.h->dir.Path() / "Save.bin")) << "not in the program's current folder";
  const auto r1 = m.Run(" -s 1 Backup.rom");
  EXPECT_EQ(r1.exitCode, 0);
  auto expected = std::vector<std::uint8_t>(0x1000, 0xFF);
  std::fill_n(expected.begin(), 0x800, std::uint8_t{0x22});
  EXPECT_EQ(ReadAll(m.Exchange() / "Backup.rom"), expected);
}

TEST(EmulatedVendorTool, ProgramsAFileAndKeepsItAcrossRunsWhenPersistent) {
  ToolMachine m;
  WriteBytes(m.Exchange() / "Flash.bin", std::vector<std::uint8_t>(0x200, 0x5A));
  const auto r = m.Run("-p 0 Flash.bin -f -quiet");
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exitCode, 0);
  auto expected = std::vector<std::uint8_t>(0x1000, 0xFF);
  std::fill_n(expected.begin(), 0x200, std::uint8_t{0x5A});
  EXPECT_EQ(m.Card(0).Eeprom(), expected);
  EXPECT_EQ(ReadAll(m.files.Path() / "a.rom"), std::vector<std::uint8_t>(0x1000, 0x11))
      << "written back only when the run ends";
  EXPECT_EQ(m.Run("-p 1 Flash.bin -f").exitCode, 0);
  m.h->platform->Finish();
  EXPECT_EQ(ReadAll(m.files.Path() / "a.rom"), expected);
  EXPECT_EQ(ReadAll(m.files.Path() / "b.rom"), std::vector<std::uint8_t>(0x800, 0x22))
      << "not persistent";
}

TEST(EmulatedVendorTool, AnyOtherCommandLineIsAnErrorExit) {
  struct Case {
    const char* args;
    int exitCode;
  } cases[] = {{"", 2},
               {"-s", 2},
               {"-s 0", 2},
               {"-s 0 a b", 2},
               {"-p 0 Flash.bin", 2},
               {"-p 0 Flash.bin -quiet", 2},
               {"-p 0 Flash.bin -f extra", 2},
               {"-f -p 0 Flash.bin", 2},
               {"-x 0 Save.bin", 2},
               {"-s x Save.bin", 2},
               {"-s -1 Save.bin", 2},
               {"-s 0 Save.bin -quiet -quiet", 2},
               {"-S 0 Save.bin", 2},
               {"-s 2 Save.bin", 1},      // only two ATI adapters
               {"-p 0 missing.bin -f", 1},
               {"-p 0 Big.bin -f", 1},    // larger than the EEPROM
               {"-p 0 /dev/zero -f", 1}};  // no file: never read to its end
  for (const auto& c : cases) {
    if (std::string(c.args).find("/dev/zero") != std::string::npos && !*kEndlessDevice) continue;
    ToolMachine m;
    WriteBytes(m.Exchange() / "Big.bin", std::vector<std::uint8_t>(0x1001, 0));
    const auto before = m.Card(0).Eeprom();
    const auto r = m.Run(c.args);
    EXPECT_TRUE(r.started) << c.args;
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args;
    EXPECT_FALSE(fs::exists(m.Exchange() / "Save.bin")) << c.args;
    EXPECT_EQ(m.Card(0).Eeprom(), before) << c.args;
  }
}

// Missing, failing and placeholder-less tools are exercised through the call sites' tests.
TEST(EmulatedVendorTool, StartsOnlyFromTheProgramFoldersToolPath) {
  ToolMachine m;
  EXPECT_FALSE(m.h->platform->Seams()
                   .launcher.RunAndWait(m.h->dir.File("ATIWinflash"), "-s 0 Save.bin", "")
                   .started);
  EXPECT_TRUE(m.Run("-s 0 Save.bin").started);
}

// Only the launch the scenario numbers misbehaves, whatever its command line; the others work.
TEST(EmulatedVendorTool, ALaunchNumberedByTheScenarioAloneMisbehaves) {
  ToolMachine m(json{{"launch", 1}, {"as", "fails"}});
  EXPECT_EQ(m.Run("-s 0 First.bin").exitCode, 0);
  EXPECT_EQ(m.Run("-s 0 Second.bin").exitCode, 1);
  EXPECT_FALSE(fs::exists(m.Exchange() / "Second.bin"));
  EXPECT_EQ(m.Run("-s 0 Third.bin").exitCode, 0);
  EXPECT_TRUE(fs::exists(m.Exchange() / "Third.bin"));
}

TEST(EmulatedVendorTool, BadScenarioValuesAreRefused) {
  for (const json& bad : {json("sometimes"), json(3), json{{"exit_code", 256}},
                          json{{"exit_code", 1}, {"also", 2}},
                          json{{"save", "ok"}, {"erase", "fails"}},
                          json{{"program", "never"}}, json{{"launch", 1}},
                          json{{"launch", 1}, {"as", "fails"}, {"save", "ok"}},
                          json{{"launch", 1}, {"as", {{"launch", 2}, {"as", "fails"}}}}}) {
    TempDir dir;
    EXPECT_THROW(sim::EmulatedPlatform(sim::ParseScenario(json{{"vendor_tool", bad}},
                                                          dir.Path().string())),
                 sim::ScenarioError)
        << bad.dump();
  }
  TempDir dir;
  json a = Adapter(1, 0, 0x1002, 0x9442);
  a["eeprom"] = {{"image", "absent.rom"}};
  EXPECT_THROW(
      sim::EmulatedPlatform(sim::ParseScenario(json{{"adapters", {a}}}, dir.Path().string())),
      sim::ScenarioError);
}

TEST(EmulatedVendorTool, AtiPresetBacksUpItsCard) {
  TempDir dir;
  sim::EmulatedPlatform p(sim::MaterializePreset("ati", dir.Path().string()));
  const auto r = p.Seams().launcher.RunAndWait(p.Recipe().programFolder + sim::kEmulatedToolRelativePath,
                                               " -s 0 Backup.rom -quiet", "");
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(ReadAll(p.System().Resolve("Backup.rom")), ReadAll(dir.Path() / "ati-card.rom"));
  ASSERT_TRUE(p.Registry().OpenKey("SYSTEM\\CurrentControlSet\\Enum\\PCI"));
  EXPECT_EQ(p.Registry().GetKeyNames(),
            std::vector<std::string>{"VEN_1002&DEV_9442&SUBSYS_21B81E5A&REV_00"});
}

}  // namespace
}  // namespace rz::test
