// rzflash-cli's checks before it runs: a transcript that would replace the command's own file,
// empty file names, a removed current folder and an unusable TMPDIR.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "cli/Preflight.h"
#include "support/SimHarness.h"

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
  fs::create_symlink(dir.File("backup.rom"), dir.Path() / "link.rom");
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
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  ::setenv("TMPDIR", "/no/such/folder", 1);
  const auto problem = cli::CheckBeforeRun(Command(cli::Command::Info, ""));
  if (old)
    ::setenv("TMPDIR", saved.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
  ASSERT_TRUE(problem);
  EXPECT_NE(problem->message.find("/no/such/folder"), std::string::npos);
}

}  // namespace
}  // namespace rz::test
