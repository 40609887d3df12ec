// SPDX-License-Identifier: GPL-3.0-or-later
// Files rzflash-cli is told to write: the transcript goes only into a regular file, as the save
// command's FILE does (never into a pipe, a device or a folder, and without waiting on any), and
// neither ever replaces one of the program's own files: RZFLASH.CFG, HELP.CHM, the skin, the
// stock BIOS files, the executables, be they the emulated program's or the real one's.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "CliRunner.h"
#include "Machines.h"
#include "support/SpecialFiles.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace rz::e2e {
namespace {

namespace fs = std::filesystem;
using testimage::BuildImage;

#ifdef _WIN32
constexpr const char* kExeSuffix = ".exe";
#else
constexpr const char* kExeSuffix = "";
#endif

// What stands at `path`: its kind, and its bytes when it is a regular file.
std::string Snapshot(const std::string& path) {
  std::error_code ec;
  const auto status = fs::symlink_status(path, ec);
  std::string s = std::to_string(static_cast<int>(status.type()));
  if (status.type() == fs::file_type::regular) {
    std::ifstream in(path, std::ios::binary);
    s += ":" + std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return s;
}

struct Target {
  const char* name;
  // Puts the target in place in a sandbox holding an NVIDIA scenario's program folder and a copy
  // of the front end at "bin/"; returns the path to name ("" when this system has no such thing).
  std::function<std::string(CliSandbox&)> make;
  const char* refusal;  // part of the reason given; null: the transcript is written there
};

std::string InProgram(CliSandbox& box, const std::string& name) {
  box.WriteText("program/" + name, "the program's own " + name);
  return box.Path("program/" + name);
}

const Target kTargets[] = {
    {"ARegularFile", [](CliSandbox& b) { b.WriteText("old.txt", "old"); return b.Path("old.txt"); },
     nullptr},
    {"ANewFile", [](CliSandbox& b) { return b.Path("new.txt"); }, nullptr},
    {"AFolder", [](CliSandbox& b) { fs::create_directory(b.Path("folder")); return b.Path("folder"); },
     "it is a folder"},
    {"ANamedPipe",
     [](CliSandbox& b) { return test::MakeNamedPipe(b.Path("fifo")) ? b.Path("fifo") : ""; },
     "not a regular file"},
    {"TheNullDevice", [](CliSandbox&) { return std::string(*test::kNoPipes ? "" : "/dev/null"); },
     "not a regular file"},
    {"TheConfiguration", [](CliSandbox& b) { return b.Path("program/RZFLASH.CFG"); }, "own files"},
    {"ALinkToTheConfiguration",
     [](CliSandbox& b) {
       return test::MakeLink(b.Path("program/RZFLASH.CFG"), b.Path("cfg-link")) ? b.Path("cfg-link")
                                                                               : "";
     },
     "own files"},
    {"ASkinFile", [](CliSandbox& b) { return InProgram(b, "Skin/505_30_1.bmp"); }, "own files"},
    {"TheEmulatedExecutable", [](CliSandbox& b) { return InProgram(b, "rzflash"); }, "own files"},
    {"TheRealExecutable",
     [](CliSandbox& b) { return b.Path(std::string("bin/rzflash-cli") + kExeSuffix); }, "own files"},
};

class TranscriptTarget : public ::testing::TestWithParam<Target> {};

TEST_P(TranscriptTarget, IsWrittenOnlyWhenItIsTheUsersRegularFile) {
  const Target& t = GetParam();
  CliSandbox box;
  const auto scenario = box.WriteScenario(
      "m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage())));
  // The front end runs from a copy of its own, so that its executable may be named safely.
  const std::string copy = box.Path(std::string("bin/rzflash-cli") + kExeSuffix);
  fs::create_directories(box.Path("bin"));
  fs::copy_file(RZFLASH_CLI_PATH, copy);
  const std::string target = t.make(box);
  if (target.empty()) GTEST_SKIP() << "this system has no such thing";
  const std::string before = Snapshot(target);
#ifndef _WIN32
  // A reader keeps a named pipe open, so that a program that opened it anyway would not wait.
  const int reader = fs::is_fifo(target) ? ::open(target.c_str(), O_RDONLY | O_NONBLOCK) : -1;
#endif
  const CliResult r = box.RunAs(copy, {"--machine", scenario, "--transcript", target, "info"});
  if (t.refusal) {
    EXPECT_EQ(r.exitCode, 1);
    const std::string said = "rzflash-cli: cannot write the transcript " + target + ": ";
    ASSERT_NE(r.err.find(said), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(t.refusal, r.err.find(said)), std::string::npos) << r.err;
    EXPECT_EQ(Snapshot(target), before);
  } else {
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::ifstream in(target, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(text.substr(text.size() - 7), "exit 0\n") << text;
  }
#ifndef _WIN32
  if (reader >= 0) {
    char byte;
    EXPECT_LE(::read(reader, &byte, 1), 0) << "something was written into the pipe";
    ::close(reader);
  }
#endif
}

INSTANTIATE_TEST_SUITE_P(Targets, TranscriptTarget, ::testing::ValuesIn(kTargets),
                         [](const auto& row) { return std::string(row.param.name); });

// The save command's FILE naming an own file takes the failure of a target that cannot be
// written, on both roads, before the card or the vendor tool is touched.
TEST(SaveOntoOwnFile, FailsAsAnUnwritableTargetAndLeavesItAsItWas) {
  for (const bool ati : {false, true}) {
    for (const char* name :
         {"RZFLASH.CFG", "Skin/505_30_1.bmp", "rzflash"}) {
      SCOPED_TRACE(std::string(ati ? "ATI " : "NVIDIA ") + name);
      CliSandbox box;
      const auto machine = ati ? AtiMachine(box, 0x21B8, BuildImage(PresetAtiImage()))
                               : NvidiaMachine(box, "SST 39VF010", 0x34C7,
                                               BuildImage(PresetNvidiaImage()));
      const auto scenario = box.WriteScenario("m.json", machine);
      if (std::string(name) != "RZFLASH.CFG") InProgram(box, name);
      const std::string before = Snapshot(box.Path(std::string("program/") + name));
      const CliResult r =
          box.Run({"--machine", scenario, "save", box.Path(std::string("program/") + name)});
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_EQ(After(r.lines, "msg: The screen may go *BLANK* during EEPROM flash"),
                (Lines{std::string("box \"\" ok none: Cannot open file: <dir>/program/") + name + ".",
                       "msg: Save VGA BIOS failed!!!", "status: Ready", "exit 1"}));
      EXPECT_EQ(Snapshot(box.Path(std::string("program/") + name)), before);
    }
  }
}

}  // namespace
}  // namespace rz::e2e
