// SPDX-License-Identifier: GPL-3.0-or-later
// The vendor tool cannot be stopped by what the terminal sends the program: started directly (a
// root program) or by the access helper (an ordinary user's program), it runs with SIGINT,
// SIGTERM, SIGHUP, SIGQUIT and SIGPIPE ignored. A real ATI flash, with the tool's stand-in held
// in the middle of its programming or of its read-back while a real signal goes to the program's
// process group, finishes its work and the program ends with 130 without the restart question.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "AccessFixtures.h"
#include "app/Detection.h"
#include "app/Program.h"
#include "backends/linux/process/LinuxInterruptHold.h"
#include "backends/linux/process/LinuxToolLauncher.h"
#include "commands/FlashCommand.h"
#include "sim/images/TestImage.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedUi.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

enum class Road { Direct, Helper };

const char* Name(Road road) { return road == Road::Direct ? "direct" : "helper"; }

// The signals a launched tool must not act on, as /proc/<pid>/status counts them (bit n-1).
std::uint64_t IgnoredMask() {
  std::uint64_t mask = 0;
  for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) mask |= std::uint64_t{1} << (s - 1);
  return mask;
}

// The value of a hex field ("SigIgn:\t0000000000001003") of a status file's text.
std::uint64_t StatusField(const std::string& status, const std::string& field) {
  const auto at = status.find(field + ":");
  if (at == std::string::npos) return 0;
  return std::strtoull(status.c_str() + at + field.size() + 1, nullptr, 16);
}

// A program folder with the tool at tool/ATIWinflash, and a stand-in pkexec that runs the
// helper's test build serving that folder as its data folder.
struct ToolPlaces {
  explicit ToolPlaces(const std::string& tool) {
    fs::create_directories(program.Path() / "tool");
    ::chmod(program.File("tool").c_str(), 0755);
    fs::copy_file(tool, ToolPath());
    ::chmod(ToolPath().c_str(), 0755);
    fs::create_directory(Exchange());
    ::chmod(Exchange().c_str(), 0700);
  }
  std::string ToolPath() const { return program.File("tool/ATIWinflash"); }
  std::string Exchange() const { return program.File("exchange"); }
  std::unique_ptr<platform::AccessSession> Session(Road road) const {
    if (road == Road::Direct) return nullptr;
    return std::make_unique<platform::AccessSession>(UserOptions(pkexec, "/nonexistent"));
  }
  TempDir program;
  FakePkexec pkexec{RunHelperOn({"", "", program.Path().string()})};
};

TEST(UninterruptibleTool, RunsWithTheTerminalsSignalsIgnoredOnBothRoads) {
  TempDir scripts;
  // The tool's own status, read with the shell's builtins alone (no child of its own).
  scripts.Write("tool",
                "#!/bin/sh\nwhile IFS= read -r line; do echo \"$line\"; done < /proc/$$/status > status.txt\n");
  for (const Road road : {Road::Direct, Road::Helper}) {
    SCOPED_TRACE(Name(road));
    ToolPlaces places(scripts.File("tool"));
    const auto session = places.Session(road);
    platform::LinuxToolLauncher launcher(session.get());
    const auto r = launcher.RunAndWait(places.ToolPath(), "-s 0 Save.bin -quiet", places.Exchange());
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 0);
    const std::string status = ReadWhole(places.Exchange() + "/status.txt");
    EXPECT_EQ(StatusField(status, "SigIgn") & IgnoredMask(), IgnoredMask()) << status;
    EXPECT_EQ(StatusField(status, "SigBlk"), 0u) << "nothing blocked either";
  }
}

testimage::ImageRecipe AtiBios(const std::string& modelText) {
  testimage::ImageRecipe s;
  s.vendorId = 0x1002;
  s.deviceId = 0x9442;
  s.subsystemId = 0x21B8;
  s.modelText = modelText;
  s.atom = testimage::AtomRecipe{};
  return s;
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// An ATI card's flash, run by a program in a child process that leads a process group of its
// own: the card is the stand-in's image file, the tool the stand-in held before working on
// `heldFile`, requests to stop the system's own hold.
class HeldFlash {
 public:
  HeldFlash(Road road, const std::string& heldFile) : road_(road), places_(RZ_VENDORTOOL_STANDIN_BUILT) {
    const auto write = [](const std::string& path, const std::vector<std::uint8_t>& bytes) {
      std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<std::streamsize>(bytes.size()));
    };
    write(Card(), testimage::BuildImage(AtiBios("RZ-HD485/F2")));
    write(NewRom(), NewImage());
    places_.program.Write("RZFLASH.CFG", "asic_nv 10de 191 1 0 G80\n");
    // What the program (and through it the tool) finds in its environment.
    environment_.emplace_back(std::make_unique<ScopedEnv>("RZ_STANDIN_IMAGE", Card()));
    environment_.emplace_back(std::make_unique<ScopedEnv>("RZ_STANDIN_HOLD", Hold()));
    environment_.emplace_back(std::make_unique<ScopedEnv>("RZ_STANDIN_HOLD_FILE", heldFile));
    environment_.emplace_back(std::make_unique<ScopedEnv>("TMPDIR", work_.Path().string()));
  }

  std::vector<std::uint8_t> NewImage() const { return testimage::BuildImage(AtiBios("RZ-HD485/F3")); }
  std::string Card() const { return work_.File("card.rom"); }
  std::string NewRom() const { return work_.File("new.rom"); }
  std::string Hold() const { return work_.File("hold"); }

  // Starts the program; sends `signal` to its process group once the tool is held; lets the
  // tool go on; returns the program's exit status (-1: it did not exit normally).
  int Run(int signal) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::setpgid(0, 0);
      ::_exit(RunProgram());
    }
    if (pid < 0) return -1;
    ::setpgid(pid, pid);
    if (WaitForFile(Hold() + ".running")) ::kill(-pid, signal);
    std::ofstream(Hold() + ".go").put('1');
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Lines() const { return ReadWhole(work_.File("lines.txt")); }

 private:
  // Waits for the held tool's file; a generous limit against a run that never gets there.
  static bool WaitForFile(const std::string& path) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!fs::exists(path)) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

  // In the child: the program on an emulated ATI board whose tool is the real launcher's.
  int RunProgram() {
    const json adapter{{"bus", 1},
                       {"device", 0},
                       {"vendor_id", "0x1002"},
                       {"device_id", "0x9442"},
                       {"subsystem_vendor_id", "maker"},
                       {"subsystem_id", 0x21B8}};
    const json machine{{"program_folder", places_.program.Folder()},
                       {"working_directory", work_.Path().string()},
                       {"display_driver_version", "10.1.0.0"},
                       {"adapters", json::array({adapter})}};
    sim::EmulatedPlatform emulated(sim::ParseScenario(machine, work_.Path().string()));
    platform::LinuxInterruptHold hold;
    const auto session = places_.Session(road_);
    platform::LinuxToolLauncher launcher(session.get());
    platform::Platform& s = emulated.Seams();
    platform::Platform seams{s.device,   s.services, s.system, s.files, launcher,
                             s.registry, s.shutdown, s.shell,  &hold};
    ui::ScriptedUi ui;
    app::Program program(seams, ui);
    program.detect = app::DetectCard;
    if (program.FormCreate() != app::StartResult::Ready) return 2;
    ui.QueueFile(NewRom());
    auto ctx = program.Commands();
    const bool completed = commands::btFlashClick(ctx) == commands::FlashOutcome::Completed;
    program.FormDestroy();
    std::ofstream out(work_.File("lines.txt"));
    for (const auto& line : ui.Lines()) out << line << "\n";
    out.close();
    return platform::InterruptHeld(&hold) ? 130 : completed ? 0 : 1;
  }

  Road road_;
  TempDir work_;
  ToolPlaces places_;
  std::vector<std::unique_ptr<ScopedEnv>> environment_;
};

TEST(UninterruptibleTool, AFlashAskedToStopWhileTheToolWorksFinishesAndEndsWith130) {
  struct Signal {
    int number;
    const char* name;
  };
  for (const Road road : {Road::Direct, Road::Helper}) {
    for (const char* held : {"Flash.bin", "Verify.bin"}) {
      for (const Signal signal : {Signal{SIGINT, "SIGINT"}, Signal{SIGHUP, "SIGHUP"},
                                  Signal{SIGTERM, "SIGTERM"}}) {
        SCOPED_TRACE(std::string(Name(road)) + ", " + signal.name + " while the tool works on " + held);
        HeldFlash flash(road, held);
        EXPECT_EQ(flash.Run(signal.number), 130) << flash.Lines();
        const std::string lines = flash.Lines();
        EXPECT_NE(lines.find("msg: Flash VGA BIOS completed!!!"), std::string::npos) << lines;
        EXPECT_EQ(lines.find("You must restart"), std::string::npos) << lines;
        EXPECT_EQ(Bytes(ReadWhole(flash.Card())), flash.NewImage()) << "the tool did its work";
      }
    }
  }
}

TEST(UninterruptibleTool, UndisturbedTheSameFlashCompletesAndOffersTheRestart) {
  for (const Road road : {Road::Direct, Road::Helper}) {
    SCOPED_TRACE(Name(road));
    HeldFlash flash(road, "Flash.bin");
    EXPECT_EQ(flash.Run(0), 0) << flash.Lines();  // signal 0: only a check that the group exists
    EXPECT_NE(flash.Lines().find("You must restart"), std::string::npos) << flash.Lines();
    EXPECT_EQ(Bytes(ReadWhole(flash.Card())), flash.NewImage());
  }
}

}  // namespace
}  // namespace rz::test
