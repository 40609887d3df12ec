// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli's checks before it runs: a transcript that would replace the command's own file,
// empty file names, a removed current folder and an unusable TMPDIR.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/Preflight.h"
#include "support/ScopedEnv.h"
#include "support/SimHarness.h"
#include "support/SpecialFiles.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;

cli::Options Command(cli::Command command, std::string file) {
  cli::Options o;
  o.command = command;
  o.file = std::move(file);
  return o;
}

TEST(CliPreflight, TranscriptNamingTheCommandsFileIsAUsageError) {
  TempDir dir;
  dir.Write("backup.rom", "kept");
  const bool linked = MakeLink(dir.File("backup.rom"), dir.Path() / "link.rom");
  dir.Write("scenario.json", "{}");
  struct Case {
    const char* name;
    cli::Command command;
    std::string file;
    std::string transcript;
    std::string machine;
    int exitCode;  // 0: no problem
  } cases[] = {
      {"same name", cli::Command::Save, dir.File("backup.rom"), dir.File("backup.rom"), "", 2},
      {"file not there yet", cli::Command::Save, dir.File("new.rom"), dir.File("x/../new.rom"), "", 2},
      {"by a link", cli::Command::Flash, dir.File("link.rom"), dir.File("backup.rom"), "", 2},
      {"the scenario file", cli::Command::Info, "", dir.File("scenario.json"),
       dir.File("scenario.json"), 2},
      {"a preset name is no file", cli::Command::Info, "", dir.File("ati"), "ati", 0},
      {"other files", cli::Command::Save, dir.File("backup.rom"), dir.File("t.txt"), "", 0},
  };
  for (const auto& c : cases) {
    if (c.file == dir.File("link.rom") && !linked) continue;  // no links on this system
    cli::Options o = Command(c.command, c.file);
    o.transcript = c.transcript;
    if (!c.machine.empty()) o.machine = c.machine;
    const auto problem = cli::CheckBeforeRun(o);
    EXPECT_EQ(problem ? problem->exitCode : 0, c.exitCode) << c.name;
  }
}

TEST(CliPreflight, EmptyFileNamesAreRefused) {
  for (const auto command : {cli::Command::Save, cli::Command::Flash}) {
    const auto problem = cli::CheckBeforeRun(Command(command, ""));
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->exitCode, 1);
    EXPECT_NE(problem->message.find("needs a file name"), std::string::npos);
  }
  EXPECT_FALSE(cli::CheckBeforeRun(Command(cli::Command::Info, "")));
}

TEST(CliPreflight, RemovedCurrentFolderAndMissingTemporaryFolderAreReported) {
  const fs::path home = fs::current_path();
#ifndef _WIN32  // Windows keeps a process's current folder from being removed
  {
    TempDir dir;
    fs::create_directory(dir.Path() / "gone");
    fs::current_path(dir.Path() / "gone");
    fs::remove(dir.Path() / "gone");
    const auto problem = cli::CheckBeforeRun(Command(cli::Command::Info, ""));
    fs::current_path(home);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->exitCode, 1);
    EXPECT_NE(problem->message.find("current folder"), std::string::npos);
  }
#endif
  TempDir dir;
  const std::string missing = (dir.Path() / "no-such-folder").string();
  const ScopedEnv tmp(kTemporaryFolderVariable, missing);
  const auto problem = cli::CheckBeforeRun(Command(cli::Command::Info, ""));
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->exitCode, 1);
  EXPECT_NE(problem->message.find(missing), std::string::npos) << problem->message;
}

}  // namespace
}  // namespace rz::test
