// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux backends on this machine: start-up over them, the process facilities, and the
// description of why raw access fails. (The single-instance lock: RunLockTest.cpp.)
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "app/Program.h"
#include "backends/linux/LinuxServiceControl.h"
#include "backends/linux/access/LinuxDriverDevice.h"
#include "backends/linux/access/RawAccessProblem.h"
#include "backends/linux/process/LinuxSystem.h"
#include "base/Paths.h"
#include "sim/seams/Recorders.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedUi.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace lx = platform;

bool PortDeviceUsable() {
  const int fd = ::open("/dev/port", O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

// Every seam of a real Linux run; the ones start-up does not reach are recorders.
struct LinuxRun {
  explicit LinuxRun(const std::string& dir) : system(lx::LinuxSystemOptions{dir + "/rzflash.lock", dir}) {}
  lx::LinuxDriverDevice device;
  lx::LinuxServiceControl services;
  lx::LinuxSystem system;
  std::unique_ptr<platform::FileSystem> files = platform::MakeHostFileSystem();
  sim::EmulatedToolLauncher launcher;
  sim::EmulatedRegistry registry;
  sim::RecordingShutdown shutdown;
  sim::RecordingShellOpen shell;
  platform::Platform seams{device, services, system, *files, launcher, registry, shutdown, shell};
};

TEST(LinuxBackend, StartUpWithoutRawAccessShowsOnlyTheBringUpFailure) {
  if (PortDeviceUsable()) GTEST_SKIP() << "/dev/port can be opened here: bring-up would succeed";
  TempDir dir;
  LinuxRun run(dir.Path().string());
  ui::ScriptedUi ui;
  app::Program program(run.seams, ui);
  bool detected = false;
  program.detect = [&](app::Program&) { return detected = true; };
  EXPECT_EQ(program.FormCreate(), app::StartResult::DriverFailed);
  EXPECT_FALSE(detected);
  EXPECT_FALSE(program.driver.IsOpen());
  EXPECT_EQ(ui.Lines(), std::vector<std::string>{"dialog: Initialize DODozori Fail!!!"});
  EXPECT_EQ(program.programFolder, FolderOf(run.system.ExecutablePath()));
  EXPECT_EQ(program.driver.devicePath, sizeof(void*) == 8 ? "\\\\.\\ZPCIDrv64" : "\\\\.\\ZPCIDrv");
  program.FormDestroy();
  EXPECT_EQ(run.services.OpenHandles(), 0u);

  const std::string why = lx::DescribeRawAccessProblem();
  EXPECT_NE(why.find("/dev/port"), std::string::npos) << why;
}

TEST(LinuxSystem, ScratchDirectoryIsPrivateMadeOnceAndRemoved) {
  TempDir dir;
  std::string scratch;
  {
    lx::LinuxSystem system(lx::LinuxSystemOptions{dir.File("rzflash.lock"), dir.Path().string()});
    scratch = system.ScratchDirectory();
    ASSERT_FALSE(scratch.empty());
    EXPECT_EQ(FolderOf(scratch), dir.Path().string() + "/");
    EXPECT_EQ(system.ScratchDirectory(), scratch);
    struct stat st{};
    ASSERT_EQ(::stat(scratch.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    std::filesystem::create_directory(scratch + "/sub");
    std::ofstream(scratch + "/sub/temp.rom") << "image";
  }
  EXPECT_FALSE(std::filesystem::exists(scratch));
}

// The vendor tool's exchange files may be the very files the user chose: copying a file onto
// itself, by the same or another name, must neither fail nor empty it.
TEST(HostFileSystem, CopyOntoItselfKeepsTheFileAndSucceeds) {
  TempDir dir;
  const std::string a = (dir.Path() / "Save.bin").string();
  std::ofstream(a, std::ios::binary) << "card bios";
  std::filesystem::create_directory(dir.Path() / "sub");
  const std::string viaOtherName = (dir.Path() / "sub" / ".." / "Save.bin").string();
  auto files = platform::MakeHostFileSystem();
  EXPECT_TRUE(files->Copy(a, a));
  EXPECT_TRUE(files->Copy(a, viaOtherName));
  EXPECT_EQ(files->Size(a), 9);
  const std::string b = (dir.Path() / "b.bin").string();
  std::ofstream(b, std::ios::binary) << "old";
  EXPECT_TRUE(files->Copy(a, b));
  EXPECT_EQ(files->Size(b), 9);
  EXPECT_FALSE(files->Copy((dir.Path() / "absent").string(), b));
  EXPECT_FALSE(files->Copy((dir.Path() / "sub").string(), (dir.Path() / "sub").string()));
}

TEST(LinuxSystem, ProcessFacts) {
  lx::LinuxSystem system;
  const std::string exe = system.ExecutablePath();
  EXPECT_EQ(exe, std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(system.GetOSVer(), sizeof(void*) == 8 ? 0x20010064u : 0u);

  TempDir dir;
  const std::string before = system.GetCurrentDirectory();
  ASSERT_TRUE(system.SetCurrentDirectory(dir.Path().string()));
  EXPECT_EQ(system.GetCurrentDirectory(), dir.Path().string());
  EXPECT_FALSE(system.SetCurrentDirectory(dir.File("missing")));
  EXPECT_FALSE(system.SetCurrentDirectory(""));
  EXPECT_TRUE(system.SetCurrentDirectory(before));
}

TEST(RawAccessProblem, NamesEveryObstacleFound) {
  TempDir dir;
  dir.Write("port", "");
  dir.Write("mem", "");
  dir.Write("lockdown-on", "none [integrity] confidentiality\n");
  dir.Write("lockdown-off", "[none] integrity confidentiality\n");
  dir.Write("cmdline-relaxed", "BOOT_IMAGE=/vmlinuz ro iomem=relaxed quiet\n");
  dir.Write("cmdline", "BOOT_IMAGE=/vmlinuz ro quiet\n");
  struct Case {
    uid_t user;
    const char* port;
    const char* lockdown;
    const char* cmdline;
    std::vector<std::string> mentions;
    std::vector<std::string> absent;
  } cases[] = {
      {1000, "port", "lockdown-off", "cmdline-relaxed", {"not running as root"}, {"lockdown", "iomem"}},
      {0, "missing-port", "lockdown-off", "cmdline-relaxed", {"missing-port does not exist"}, {"root"}},
      {0, "port", "lockdown-on", "cmdline-relaxed", {"lockdown is active (integrity)", "Secure Boot"}, {"root"}},
      {0, "port", "no-lockdown-file", "cmdline", {"iomem=relaxed"}, {"lockdown", "root"}},
      {0, "port", "lockdown-off", "cmdline-relaxed", {"no obstacle"}, {"lockdown", "root"}},
  };
  for (const auto& c : cases) {
    lx::RawAccessFacts facts{c.user, dir.File(c.port), dir.File("mem"), dir.File(c.lockdown),
                             dir.File(c.cmdline)};
    const std::string text = lx::DescribeRawAccessProblem(facts);
    for (const auto& m : c.mentions) EXPECT_NE(text.find(m), std::string::npos) << text;
    for (const auto& a : c.absent) EXPECT_EQ(text.find(a), std::string::npos) << text;
    EXPECT_NE(text.back(), '\n');
  }
}

// $HOME and $XDG_DATA_HOME as the XDG rules take them: a relative or empty value counts as unset.
TEST(LinuxSystem, UserFoldersFollowHomeAndXdgDataHome) {
  struct Row {
    const char* home;
    const char* dataHome;
    const char* wantHome;
    const char* wantData;
  };
  for (const Row& r : {Row{"/h/u", "", "/h/u", "/h/u/.local/share"},
                       Row{"/h/u/", "/d/x/", "/h/u", "/d/x"},
                       Row{"/h/u", "relative", "/h/u", "/h/u/.local/share"},
                       Row{"/", "", "/", "/.local/share"}}) {
    ScopedEnv home("HOME", r.home);
    ScopedEnv data("XDG_DATA_HOME", r.dataHome);
    lx::LinuxSystem system;
    const auto got = system.GetUserFolders();
    EXPECT_EQ(got.home, r.wantHome) << r.home << " " << r.dataHome;
    EXPECT_EQ(got.dataHome, r.wantData) << r.home << " " << r.dataHome;
  }
  // Without $HOME the account's own home folder from the password database is taken.
  ScopedEnv home("HOME", "");
  ScopedEnv data("XDG_DATA_HOME", "");
  lx::LinuxSystem system;
  const auto got = system.GetUserFolders();
  ASSERT_FALSE(got.home.empty());
  EXPECT_EQ(got.home.front(), '/');
  EXPECT_EQ(got.dataHome, (got.home == "/" ? "" : got.home) + "/.local/share");
}

}  // namespace
}  // namespace rz::test
