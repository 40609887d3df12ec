// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program reads its shipped files, keeps what it writes and starts its dialogs, on
// folders laid out as a program folder, as an installed program (bin/ beside share/rzflash/), and
// as neither.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "app/ProgramFolders.h"
#include "platform/files/FolderPath.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;

struct Layout {
  const char* name;
  bool configBesideProgram;  // bin/RZFLASH.CFG
  bool installedData;        // share/rzflash/RZFLASH.CFG
  bool programReadOnly;      // bin/ marked read-only
  bool userFolders;          // the system names a home and a data folder
  // Expected folders, relative to the test's folder: "bin/", "share/rzflash/", "home/",
  // "data/rzflash/".
  const char* program;
  const char* keep;
  const char* dialogs;
};

class ProgramFoldersLayout : public ::testing::TestWithParam<Layout> {};

TEST_P(ProgramFoldersLayout, ResolvesTheFolders) {
  const Layout& l = GetParam();
  TempDir dir;
  fs::create_directories(dir.Path() / "bin");
  if (l.configBesideProgram) dir.Write("bin/RZFLASH.CFG", "cfg\n");
  if (l.installedData) {
    fs::create_directories(dir.Path() / "share/rzflash");
    dir.Write("share/rzflash/RZFLASH.CFG", "cfg\n");
  }
  if (l.programReadOnly) ::chmod(dir.File("bin").c_str(), 0555);
  platform::UserFolders user;
  if (l.userFolders) user = {dir.File("home"), dir.File("data") + "/"};  // a separator may end one

  const auto files = platform::MakeHostFileSystem();
  const auto got = app::ResolveProgramFolders(dir.File("bin/rzflash"), *files, user);
  ::chmod(dir.File("bin").c_str(), 0755);

  const auto at = [&](const char* rel) { return (dir.Path() / rel).make_preferred().string(); };
  EXPECT_EQ(got.program, at(l.program));
  EXPECT_EQ(got.keep, at(l.keep));
  EXPECT_EQ(got.dialogs, at(l.dialogs));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ProgramFoldersLayout,
    ::testing::Values(
        Layout{"ProgramFolder", true, false, false, true, "bin/", "bin/", "bin/"},
        Layout{"ProgramFolderWithoutUserFolders", true, false, false, false, "bin/", "bin/", "bin/"},
        Layout{"ReadOnlyProgramFolder", true, false, true, true, "bin/", "data/rzflash/", "home/"},
        Layout{"ReadOnlyWithoutUserFolders", true, false, true, false, "bin/", "bin/", "bin/"},
        Layout{"Installed", false, true, false, true, "share/rzflash/", "data/rzflash/", "home/"},
        Layout{"InstalledReadOnly", false, true, true, true, "share/rzflash/", "data/rzflash/",
               "home/"},
        Layout{"InstalledWithoutUserFolders", false, true, false, false, "share/rzflash/",
               "share/rzflash/", "share/rzflash/"},
        Layout{"ConfigBesideProgramWins", true, true, false, true, "bin/", "bin/", "bin/"},
        Layout{"NeitherLayout", false, false, false, true, "bin/", "bin/", "bin/"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ProgramFolders, AnUnknownExecutablePathLeavesEveryFolderEmpty) {
  const auto files = platform::MakeHostFileSystem();
  const auto got = app::ResolveProgramFolders("", *files, {"/home/u", "/home/u/.local/share"});
  EXPECT_EQ(got.program, "");
  EXPECT_EQ(got.keep, "");
  EXPECT_EQ(got.dialogs, "");
}

TEST(ProgramFolders, AFileNamedLikeTheDataFolderIsNoInstallation) {
  TempDir dir;
  fs::create_directories(dir.Path() / "bin");
  fs::create_directories(dir.Path() / "share");
  dir.Write("share/rzflash", "not a folder");
  const auto files = platform::MakeHostFileSystem();
  const auto got = app::ResolveProgramFolders(dir.File("bin/rzflash"), *files, {});
  EXPECT_EQ(got.program, dir.File("bin") + "/");
}

TEST(FolderPath, MakesEveryMissingFolderAndStopsAtAFileInTheWay) {
  TempDir dir;
  const auto files = platform::MakeHostFileSystem();
  EXPECT_TRUE(platform::CreateFolderPath(*files, dir.File("a/b/c/")));
  EXPECT_TRUE(fs::is_directory(dir.Path() / "a/b/c"));
  EXPECT_TRUE(platform::CreateFolderPath(*files, dir.File("a/b")));  // there already
  dir.Write("a/file", "x");
  EXPECT_FALSE(platform::CreateFolderPath(*files, dir.File("a/file/d")));
  EXPECT_FALSE(fs::exists(dir.Path() / "a/file/d"));
  EXPECT_FALSE(platform::CreateFolderPath(*files, ""));
}

}  // namespace
}  // namespace rz::test
