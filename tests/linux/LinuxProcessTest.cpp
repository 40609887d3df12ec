// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux tool launcher, the tool's fixed command lines, reboot request and document opener on
// small real programs.
#ifdef __linux__
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <optional>
#include <filesystem>
#include <fstream>
#include <thread>

#include "backends/linux/LinuxShellOpen.h"
#include "backends/linux/process/LinuxShutdown.h"
#include "backends/linux/process/LinuxToolLauncher.h"
#include "backends/linux/process/Subprocess.h"
#include "backends/linux/process/ToolCommands.h"
#include "commands/VendorTool.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;

std::string Script(const TempDir& dir, const std::string& name, const std::string& body) {
  const std::string path = dir.File(name);
  dir.Write(name, "#!/bin/sh\n" + body + "\n");
  ::chmod(path.c_str(), 0755);
  return path;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Waits for a file that a detached program creates; a generous limit, not a performance check.
bool AppearsWithin(const fs::path& file, std::chrono::seconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < until) {
    if (fs::exists(file)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The launcher of a program that runs as root (no helper), whoever runs the tests.
platform::LinuxToolLauncher DirectLauncher() { return platform::LinuxToolLauncher(nullptr); }

TEST(LinuxToolLauncher, ReportsStartAndExitStatus) {
  TempDir dir;
  dir.Write("not-executable", "#!/bin/sh\n");
  struct Case {
    std::string path;
    bool started;
    int exitCode;
  } cases[] = {{"/bin/true", true, 0},
               {"/bin/false", true, 1},
               {dir.File("missing"), false, -1},
               {dir.File("not-executable"), false, -1},
               {dir.Path().string(), false, -1},
               {"", false, -1}};
  auto launcher = DirectLauncher();
  for (const auto& c : cases) {
    const auto r = launcher.RunAndWait(c.path, "-s 0 Save.bin -quiet", "");
    EXPECT_EQ(r.started, c.started) << c.path;
    EXPECT_EQ(r.exitCode, c.exitCode) << c.path;
  }
}

TEST(LinuxToolLauncher, SplitsParametersOnBlanksAndRunsInTheGivenFolder) {
  TempDir dir;
  fs::create_directory(dir.Path() / "exchange");
  const std::string out = dir.File("out.txt");
  const std::string tool =
      Script(dir, "tool with blank", "printf '%s|' \"$@\" > '" + out + "'\npwd >> '" + out +
                                         "'\nexit 7");
  auto launcher = DirectLauncher();
  struct Case {
    std::string folder;
    std::string expectedFolder;
  } cases[] = {{"", fs::current_path().string()}, {dir.File("exchange"), dir.File("exchange")}};
  for (const auto& c : cases) {
    const auto r = launcher.RunAndWait(tool, " -s  1 Backup.rom\t-quiet ", c.folder);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(ReadText(out), "-s|1|Backup.rom|-quiet|" + c.expectedFolder + "\n");
  }
  EXPECT_FALSE(launcher.RunAndWait(tool, "", dir.File("no-such-folder")).started)
      << "a folder that cannot be entered is not replaced by the program's own";
}

TEST(LinuxToolLauncher, ProgramEndedBySignalIsNotASuccess) {
  TempDir dir;
  const std::string tool = Script(dir, "killed", "kill -9 $$");
  const auto r = DirectLauncher().RunAndWait(tool, "", "");
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exitCode, 128 + 9);
}

// Every command line the program launches is one the helper knows, and nothing else is.
TEST(ToolCommands, TheProgramsCommandLinesAndNoOthersAreRequests) {
  using platform::ToolCommand;
  struct Case {
    std::string parameters;
    std::optional<ToolCommand> command;
    int adapter;
  } cases[] = {{commands::kAtiBackupArgs, ToolCommand::Backup, 0},
               {commands::kAtiSaveArgs, ToolCommand::Save, 0},
               {commands::kAtiFlashArgs, ToolCommand::Flash, 0},
               {commands::kAtiVerifyArgs, ToolCommand::Verify, 0},
               {" -s 1 Backup.rom -quiet", ToolCommand::Backup, 1},
               {"-p 1 Flash.bin -f -quiet", ToolCommand::Flash, 1},
               {"-p 2 Flash.bin -f -quiet", std::nullopt, 0},
               {"-p 0 Flash.bin -quiet", std::nullopt, 0},
               {"-p 0 Flash.bin -f -quiet extra", std::nullopt, 0},
               {"-s 0 /etc/shadow -quiet", std::nullopt, 0},
               {"-s 0 Flash.bin -quiet", std::nullopt, 0},
               {"-p 0 Save.bin -f -quiet", std::nullopt, 0},
               {"", std::nullopt, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parameters);
    const auto request = platform::ToolRequestFor(platform::SplitParameters(c.parameters));
    ASSERT_EQ(request.has_value(), c.command.has_value());
    if (!request) continue;
    EXPECT_EQ(request->command, *c.command);
    EXPECT_EQ(request->adapter, c.adapter);
    EXPECT_EQ(platform::ToolArguments(request->command, request->adapter),
              platform::SplitParameters(c.parameters));
    EXPECT_EQ(platform::FindToolCommand(platform::ToolCommandName(request->command)), request->command);
  }
  EXPECT_EQ(platform::FindToolCommand("erase"), std::nullopt);
}

TEST(LinuxShutdown, RebootRequestIsAcceptedOnlyWhenTheCommandSucceeds) {
  TempDir dir;
  const std::string marker = dir.File("asked");
  const std::string request = Script(dir, "request", "printf '%s ' \"$@\" > '" + marker + "'");
  struct Case {
    std::vector<std::string> command;
    std::uint32_t flags;
    bool accepted;
  } cases[] = {{{request, "reboot"}, platform::kEwxReboot | platform::kEwxForce, true},
               {{"true"}, platform::kEwxReboot | platform::kEwxForce, true},  // found in PATH
               {{"/bin/false"}, platform::kEwxReboot | platform::kEwxForce, false},
               {{dir.File("no-such-program")}, platform::kEwxReboot, false},
               {{"/bin/true"}, platform::kEwxForce, false},  // not a restart
               {{}, platform::kEwxReboot, false}};
  for (const auto& c : cases) {
    platform::LinuxShutdown shutdown(c.command);
    EXPECT_EQ(shutdown.GetVersion() & 0x80000000u, 0u);
    shutdown.EnableShutdownPrivilege();
    EXPECT_EQ(shutdown.ExitWindows(c.flags, 0), c.accepted)
        << (c.command.empty() ? "" : c.command[0]);
  }
  EXPECT_EQ(ReadText(marker), "reboot ");
}

TEST(LinuxShellOpen, StartsTheOpenerDetachedWithThePath) {
  TempDir dir;
  const fs::path doc = dir.Path() / "HELP.CHM";
  // The opener waits for the test's go-ahead: if Open waited for it, this test would hang.
  const std::string opener = Script(
      dir, "opener", "while [ ! -e \"$1.go\" ]; do sleep 0.01; done\ntouch \"$1.done\"");
  platform::LinuxShellOpen(opener).Open(doc.string());
  std::ofstream(doc.string() + ".go").put('1');
  EXPECT_TRUE(AppearsWithin(doc.string() + ".done", std::chrono::seconds(20)));
  // A missing opener is not reported and does not disturb the caller.
  platform::LinuxShellOpen(dir.File("absent-opener")).Open(doc.string());
}

}  // namespace
}  // namespace rz::test
#endif
