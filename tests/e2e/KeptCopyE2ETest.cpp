// SPDX-License-Identifier: GPL-3.0-or-later
// Copies of the card's BIOS are kept only from reads that agree, and each comes with its SHA-256:
// a chip with a weak cell is neither flashed nor saved; a saved file and a safety backup pass
// `sha256sum -c` with the file stored beside them, and --json lists them with their digests.
#include <gtest/gtest.h>

#include <cstdlib>

#include "NvidiaFlashExpectations.h"
#include "base/Sha256.h"

namespace rz::e2e {
namespace {

using nlohmann::json;
using testimage::BuildImage;
using namespace nvflash;

std::string Sha(const std::vector<std::uint8_t>& bytes) { return Sha256::Hex(Sha256::Of(bytes)); }

TEST(UnstableChip, IsNeitherFlashedNorSaved) {
  const auto old = BuildImage(PresetNvidiaImage());
  for (const char* chip : {"SST 39VF010", "PMC PM25LV010"}) {
    SCOPED_TRACE(chip);
    CliSandbox box;
    const std::string m = box.WriteScenario(
        "m.json", NvidiaMachine(box, chip, 0x34C7, old,
                                {{"faults", {{"unstable_cells", {{"offset", 0x1000}}}}}}));
    box.Write("new.rom", BuildImage(Newer()));
    box.Write("saved.rom", {1, 2, 3});

    const CliResult flash = box.Run({"--machine", m, "flash", "new.rom"});
    EXPECT_EQ(flash.exitCode, 1);
    EXPECT_TRUE(flash.Has("msg: The card's EEPROM does not read the same twice. Nothing was "
                          "written to the card."))
        << ::testing::PrintToString(flash.lines);
    EXPECT_TRUE(flash.Starting("kept").empty());
    EXPECT_FALSE(box.Exists("program/Backups/" + std::string("PX4R7.F4-20260101-000001.rom")));
    ExpectChipHolds(box.Read("card.rom"), old);

    const CliResult save = box.Run({"--machine", m, "save", "saved.rom"});
    EXPECT_EQ(save.exitCode, 1);
    EXPECT_TRUE(save.Has("box \"ERROR\" ok error: The card's EEPROM does not read the same "
                         "twice. Nothing was saved."))
        << ::testing::PrintToString(save.lines);
    EXPECT_EQ(box.Read("saved.rom"), (std::vector<std::uint8_t>{1, 2, 3})) << "the file is kept";
    EXPECT_FALSE(box.Exists("saved.rom.sha256"));
  }
}

// The stored digests are those sha256sum computes, in its own format: `sha256sum -c` run in the
// folder of each copy passes; --json names the copies with the same digests.
TEST(KeptCopies, PassSha256sumAndAreListedInJson) {
  CliSandbox box;
  const std::string m = box.WriteScenario(
      "m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage())));
  box.Write("new.rom", BuildImage(Newer()));
  const CliResult save = box.Run({"--machine", m, "--json", "save", "saved copy.rom"});
  ASSERT_EQ(save.exitCode, 0) << save.err;
  const CliResult flash = box.Run({"--machine", m, "--json", "flash", "new.rom"});
  ASSERT_EQ(flash.exitCode, 0) << flash.err;

  const json savedKept = json::parse(save.out).at("kept");
  const json flashKept = json::parse(flash.out).at("kept");
  ASSERT_EQ(savedKept.size(), 1u);
  ASSERT_EQ(flashKept.size(), 1u);
  EXPECT_EQ(savedKept[0].at("kind"), "saved");
  EXPECT_EQ(flashKept[0].at("kind"), "safety-backup");
  for (const json& k : {savedKept[0], flashKept[0]}) {
    const std::string path = k.at("path");
    SCOPED_TRACE(path);
    EXPECT_EQ(k.at("checksum_file_written"), true);
    const std::string relative = box.NormalisePaths(path).substr(6);  // without "<dir>/"
    EXPECT_EQ(k.at("sha256"), Sha(box.Read(relative)));
    // The checksum file is sha256sum's line for the file's name, beside it.
    const std::string name = relative.substr(relative.rfind('/') + 1);
    const std::vector<std::uint8_t> line = box.Read(relative + ".sha256");
    EXPECT_EQ(std::string(line.begin(), line.end()),
              k.at("sha256").get<std::string>() + "  " + name + "\n");
#ifndef _WIN32
    const std::string folder = path.substr(0, path.rfind('/'));
    const std::string command = "cd '" + folder + "' && sha256sum -c --status '" + name + ".sha256'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
#endif
  }
  // The terminal names the safety backup and its digest, and again under the completion text.
  EXPECT_NE(flash.err.find("SHA-256: " + flashKept[0].at("sha256").get<std::string>()),
            std::string::npos)
      << flash.err;
  EXPECT_NE(flash.err.find("Flash BIOS completed!!!\nOld BIOS kept as " +
                           flashKept[0].at("path").get<std::string>() + "\n"),
            std::string::npos)
      << flash.err;
}

}  // namespace
}  // namespace rz::e2e
