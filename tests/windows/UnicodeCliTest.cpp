// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli with file names in any language, run from the command line on an emulated machine
// from a copy of the program in a folder whose name is not ASCII either: save, verify and flash
// (of an image rzflash-image wrote under that name) reach the files by their real names, the
// transcript and the JSON hold the names as UTF-8, and the safety backup lands in the program's
// folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "BuiltPaths.h"
#include "ChildProcess.h"
#include "UnicodeNames.h"
#include "WindowsFiles.h"
#include "host/PrivateFolder.h"
#include "sim/images/TestImage.h"

namespace rz::test {
namespace {

using Names = std::vector<std::string>;
using namespace winfiles;

testimage::ImageRecipe CardImage(std::uint8_t version) {
  testimage::ImageRecipe s;
  s.deviceId = 0x0191;
  s.subsystemId = 0x34C7;
  s.block = testimage::RzBlockRecipe{};
  s.block->number = version;
  s.seed = version;
  return s;
}

std::string AsText(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// `path` as the transcript writes it: each separator escaped.
std::string InTranscript(const std::string& path) {
  std::string out;
  for (const char c : path) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

// A copy of rzflash-cli in "<tmp>\Прошивка", an emulated NVIDIA card whose EEPROM persists in a
// file beside it, and a folder for the user's files. The machine's program folder is the copy's
// own folder, or `machineFolder` below it.
struct ProgramCopy {
  explicit ProgramCopy(const std::string& machineFolder = ".") {
    const std::string machineDir = program + "\\" + machineFolder;
    if (!MakeFolderWide(program) || !MakeFolderWide(files) ||
        (machineFolder != "." && !MakeFolderWide(machineDir)) ||
        !::CopyFileW(SystemWide(CliPath()).c_str(), SystemWide(exe).c_str(), TRUE) ||
        !WriteWide(machineDir + "\\RZFLASH.CFG", "asic_nv 10de 191 1 0 G80\n") ||
        !WriteWide(card, AsText(testimage::BuildImage(CardImage(4)))))
      return;
    const nlohmann::json eeprom{{"chip", "PMC PM25LV010"}, {"image", card}, {"persist", true}};
    const nlohmann::json adapter{{"bus", 1},
                                 {"device", 0},
                                 {"vendor_id", "0x10DE"},
                                 {"device_id", "0x0191"},
                                 {"subsystem_vendor_id", "maker"},
                                 {"subsystem_id", 0x34C7},
                                 {"eeprom", eeprom}};
    const nlohmann::json machine{{"program_folder", machineFolder},
                                 {"working_directory", "."},
                                 {"adapters", nlohmann::json::array({adapter})}};
    ready = WriteWide(scenario, machine.dump(2));
  }

  ChildResult Run(const std::string& arguments) const {
    return RunChild(Quoted(exe) + " --machine " + Quoted(scenario) + " " + arguments);
  }

  platform::PrivateFolder dir{"rz-cli-names-"};
  std::string program = dir.File(kFirmwareFolder);
  std::string exe = program + "\\rzflash-cli.exe";
  std::string scenario = program + "\\" + kCyrillicName.stem + ".json";
  std::string card = program + "\\" + kChineseName.stem + "-eeprom.rom";
  std::string files = dir.File("files");
  bool ready = false;
};

class UnicodeCli : public ::testing::TestWithParam<UnicodeName> {};

TEST_P(UnicodeCli, SavesVerifiesAndFlashesAFileOfThatName) {
  const UnicodeName& n = GetParam();
  const ProgramCopy p;
  ASSERT_TRUE(p.ready);
  const std::string file = p.files + "\\" + n.File();
  const std::string transcript = p.files + "\\" + n.stem + ".txt";
  const std::string before = AsText(testimage::BuildImage(CardImage(4)));

  ChildResult r = p.Run("--transcript " + Quoted(transcript) + " save " + Quoted(file));
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  // The saved file, the checksum file beside it, the transcript.
  Names expected{n.File(), n.File() + ".sha256", n.stem + ".txt"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(ListingWide(p.files), expected);
  EXPECT_EQ(ReadWide(file), before);
  std::string text = ReadWide(transcript);
  EXPECT_NE(text.find("\" -> " + InTranscript(file) + "\n"), std::string::npos) << text;
  EXPECT_NE(text.find("msg: Save VGA BIOS completed!!!\n"), std::string::npos) << text;

  r = p.Run("--json verify " + Quoted(file));
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_NE(r.out.find(n.File()), std::string::npos) << "the name as UTF-8, not escaped: " << r.out;
  EXPECT_EQ(nlohmann::json::parse(r.out, nullptr, false).value("file", ""), file) << r.out;

  // The newer image comes from the image tool, under the same name.
  const std::string newer = AsText(testimage::BuildImage(CardImage(5)));
  const std::string makeImage = Quoted(ImageToolPath()) + " --block F5 --seed 5 " + Quoted(file);
  ASSERT_EQ(RunChild(makeImage).exitCode, 0u);
  ASSERT_EQ(ReadWide(file), newer);
  r = p.Run("--transcript " + Quoted(transcript) + " flash " + Quoted(file));
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  text = ReadWide(transcript);
  EXPECT_NE(text.find("\" -> " + InTranscript(file) + "\n"), std::string::npos) << text;
  EXPECT_NE(text.find("msg: Flash BIOS completed!!!\n"), std::string::npos) << text;
  EXPECT_EQ(ReadWide(p.card).substr(0, newer.size()), newer);
  Names backups = ListingWide(p.program + "\\Backups");
  // The safety backup and its checksum file.
  ASSERT_EQ(backups.size(), 2u) << "the safety backup in the program's folder";
  std::sort(backups.begin(), backups.end());
  EXPECT_EQ(backups[1], backups[0] + ".sha256");
  EXPECT_EQ(ReadWide(p.program + "\\Backups\\" + backups[0]).substr(0, before.size()), before);
}

INSTANTIATE_TEST_SUITE_P(Names, UnicodeCli,
                         ::testing::Values(kCyrillicName, kChineseName, kAccentedName),
                         [](const auto& p) { return std::string(p.param.label); });

// The program knows its own executable by the name the system gives it (here under a folder
// name in Cyrillic), and refuses to write over it.
TEST(UnicodeCli, TheProgramsOwnExecutableIsKnownInAFolderOfAnyName) {
  const ProgramCopy p("machine");
  ASSERT_TRUE(p.ready);
  const std::string exeBefore = ReadWide(p.exe);
  const ChildResult r = p.Run("--transcript " + Quoted(p.exe) + " info");
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.err.find("rzflash-cli: cannot write the transcript " + p.exe + ": "),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("own files"), std::string::npos) << r.err;
  EXPECT_EQ(ReadWide(p.exe), exeBefore);
}

// An argument that no UTF-8 text can carry (a lone surrogate, which Windows allows in names) ends
// the run as a usage error before anything is written.
TEST(UnicodeCli, AnArgumentThatIsNotUnicodeIsAUsageError) {
  const ProgramCopy p;
  ASSERT_TRUE(p.ready);
  const std::wstring line = L"\"" + SystemWide(p.exe) + L"\" --json --machine \"" +
                            SystemWide(p.scenario) + L"\" save \"" + SystemWide(p.files) +
                            L"\\a\xD800.rom\"";
  const ChildResult r = ChildProcess(line, "").Wait();
  EXPECT_EQ(r.exitCode, 2u);
  EXPECT_NE(r.err.find("rzflash-cli: argument 5 is not Unicode text"), std::string::npos) << r.err;
  EXPECT_EQ(nlohmann::json::parse(r.out, nullptr, false).value("exit_code", -1), 2) << r.out;
  EXPECT_EQ(ListingWide(p.files), Names{});
}

// A temporary folder under a name in Cyrillic (a user's own temporary folder bears the user's
// name): a preset's machine is made there, used and removed.
TEST(UnicodeCli, APresetMachineLivesInATemporaryFolderOfAnyName) {
  platform::PrivateFolder dir("rz-cli-temp-");
  const std::string temp = dir.File(kCyrillicName.stem);
  ASSERT_TRUE(MakeFolderWide(temp));
  ScopedEnvironment tmp("TMP", temp);
  ScopedEnvironment alsoTemp("TEMP", temp);
  const std::string file = dir.File(kChineseName.File());
  const ChildResult r = RunChild(Quoted(CliPath()) + " --machine nvidia-spi save " + Quoted(file));
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(ReadWide(file).size(), 0x10000u);
  EXPECT_EQ(ListingWide(temp), Names{}) << "the machine's folder went with the run";
}

}  // namespace
}  // namespace rz::test
