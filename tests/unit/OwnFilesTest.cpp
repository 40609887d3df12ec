// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own files that no file written for the user may replace: what the program folder
// holds of the program's (configuration, help, skin, stock BIOS files, vendor tool), the
// executables and driver files beside the executable, reached by any name; and what is the
// user's beside them (the safety backups, files of similar names) is not among them.
#include <gtest/gtest.h>

#include <filesystem>

#include "commands/OwnFiles.h"
#include "platform/FileSystem.h"
#include "support/SimHarness.h"
#include "support/SpecialFiles.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr const char* kExe = ".exe";
#else
constexpr const char* kExe = "";
#endif

struct OwnCase {
  std::string path;  // below the test folder
  bool own;
};

TEST(OwnFiles, AreThoseOfTheProgramFolderAndBesideTheExecutable) {
  TempDir dir;
  const auto files = platform::MakeHostFileSystem();
  // An installed layout: the executables in bin/, the shipped files in share/.
  const std::vector<commands::ProgramPlace> places = {
      {dir.Folder() + "share" + static_cast<char>(fs::path::preferred_separator),
       dir.File(std::string("bin/rzflash-cli") + kExe)}};
  const std::string x = kExe;
  const OwnCase cases[] = {
      {"share/RZFLASH.CFG", true},
      {"share/HELP.CHM", true},
      {"share/Skin", true},
      {"share/Skin/505_30_1.bmp", true},
      {"share/BIOS Files/PX4R7H.F4_C", true},
      {"share/tool/ATIWinflash" + x, true},
      {"share/Skin/../RZFLASH.CFG", true},
      {"bin/rzflash-cli" + x, true},
      {"bin/rzflash" + x, true},
      {"bin/ZPCIDrv.sys", true},
      {"share/Backups/card-20240101-101010.rom", false},  // the safety backups are written there
      {"share/Skins/x.bmp", false},
      {"bin/backup.rom", false},
      {"bin/rzflash-cli.rom", false},
      {"RZFLASH.CFG", false},  // not in a program folder
  };
  for (const OwnCase& c : cases)
    EXPECT_EQ(commands::IsProgramOwnFile(*files, places, dir.File(c.path)), c.own) << c.path;
  EXPECT_FALSE(commands::IsProgramOwnFile(*files, places, ""));
  EXPECT_FALSE(commands::IsProgramOwnFile(*files, {}, dir.File("share/RZFLASH.CFG")));
  // A place with one part unknown still protects the other.
  const std::vector<commands::ProgramPlace> folderOnly = {{places[0].programFolder, ""}};
  EXPECT_TRUE(commands::IsProgramOwnFile(*files, folderOnly, dir.File("share/RZFLASH.CFG")));
  EXPECT_FALSE(commands::IsProgramOwnFile(*files, folderOnly, dir.File("bin/rzflash" + x)));
}

TEST(OwnFiles, AreKnownThroughSymbolicLinks) {
  TempDir dir;
  const auto files = platform::MakeHostFileSystem();
  dir.Write("program/RZFLASH.CFG", "[cfg]");
  fs::create_directories(dir.Path() / "program" / "Skin");
  if (!MakeLink(dir.Path() / "program" / "RZFLASH.CFG", dir.Path() / "cfg") ||
      !MakeLink(dir.Path() / "cfg", dir.Path() / "cfg2") ||
      !MakeLink(dir.Path() / "program" / "Skin", dir.Path() / "skin-link"))
    GTEST_SKIP() << "no symbolic links on this system";
  const std::vector<commands::ProgramPlace> places = {{dir.Folder() + "program/", ""}};
  EXPECT_TRUE(commands::IsProgramOwnFile(*files, places, dir.File("cfg")));
  EXPECT_TRUE(commands::IsProgramOwnFile(*files, places, dir.File("cfg2")));
  EXPECT_TRUE(commands::IsProgramOwnFile(*files, places, dir.File("skin-link")));
  EXPECT_TRUE(commands::IsProgramOwnFile(*files, places, dir.File("skin-link/505_30_1.bmp")));
  EXPECT_FALSE(commands::IsProgramOwnFile(*files, places, dir.File("skin-link-not")));
}

}  // namespace
}  // namespace rz::test
