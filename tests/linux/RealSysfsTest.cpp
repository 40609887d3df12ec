// SPDX-License-Identifier: GPL-3.0-or-later
// The sysfs access method on this machine's own /sys, read-only: a scan of every bus, device and
// function sees exactly the devices lspci lists, and the terminal front end on this computer's
// hardware reaches card detection (no card here) instead of failing bring-up.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "backends/linux/LinuxServiceControl.h"
#include "backends/linux/access/LinuxDriverDevice.h"
#include "backends/linux/access/SysfsFilesSlot.h"
#include "backends/linux/process/LinuxSystem.h"
#include "hw/AdapterScan.h"
#include "hw/DriverRequests.h"
#include "hw/IoDriver.h"
#include "support/ScriptedUi.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace lx = platform;

struct Outcome {
  int status = -1;  // exit status, -1 when it did not exit normally
  std::string output;
};

Outcome RunShell(const std::string& command) {
  Outcome out;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.output.append(buffer, n);
  const int status = ::pclose(pipe);
  if (status != -1 && WIFEXITED(status)) out.status = WEXITSTATUS(status);
  return out;
}

// Why the real-machine tests cannot run here; empty when they can.
std::string MissingPrerequisite() {
  if (!std::filesystem::exists("/sys/bus/pci/devices")) return "/sys/bus/pci is absent";
  if (RunShell("command -v lspci >/dev/null 2>&1").status != 0) return "lspci is not installed";
  return {};
}

// "BB:DD.F VVVV:DDDD" for each function of PCI domain 0 that `lspci -n` lists.
std::set<std::string> ListedByLspci() {
  std::set<std::string> out;
  const std::string text = RunShell("lspci -n -D").output;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t to = text.find('\n', from);
    if (to == std::string::npos) to = text.size();
    const std::string line = text.substr(from, to - from);
    from = to + 1;
    // "0000:00:03.0 0200: 1af4:1041 (rev 01)"
    char slot[16] = {}, ids[16] = {};
    unsigned domain = 0;
    if (std::sscanf(line.c_str(), "%x:%12s %*s %12s", &domain, slot, ids) == 3 && domain == 0)
      out.insert(std::string(slot) + " " + ids);
  }
  return out;
}

// Whether `lspci -n` lists a device of class 03 (display controller).
bool HasDisplayController() {
  const std::string text = RunShell("lspci -n").output;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t to = text.find('\n', from);
    if (to == std::string::npos) to = text.size();
    unsigned classCode = 0;
    if (std::sscanf(text.substr(from, to - from).c_str(), "%*s %4x", &classCode) == 1 &&
        classCode >> 8 == 0x03)
      return true;
    from = to + 1;
  }
  return false;
}

TEST(RealSysfs, AScanOfEveryFunctionSeesWhatLspciLists) {
  if (const auto why = MissingPrerequisite(); !why.empty()) GTEST_SKIP() << why;
  if (::geteuid() != 0) GTEST_SKIP() << "reading whole configuration spaces needs root";
  TempDir dir;
  lx::SysfsFilesSlot slot;  // the real /sys
  lx::LinuxDriverDevice device{lx::AccessSources{&slot, {}}, {lx::SysfsAccessRecord()}};
  lx::LinuxServiceControl services;
  lx::LinuxSystem system{lx::LinuxSystemOptions{dir.File("rzflash.lock"), dir.Path().string()}};
  hw::IoDriver driver{services, device, system};
  ui::ScriptedUi ui;
  hw::DriverRequests io{driver, ui};
  ASSERT_TRUE(driver.OpenDriver()) << (device.Attempts().empty() ? "" : device.Attempts()[0].why);

  std::set<std::string> seen;
  for (std::uint32_t bus = 0; bus < 256; ++bus) {
    for (std::uint32_t dev = 0; dev < 32; ++dev) {
      for (std::uint32_t fn = 0; fn < 8; ++fn) {
        io.WritePortDword(0xCF8, 0x80000000u | bus << 16 | dev << 11 | fn << 8);
        const std::uint32_t ids = io.ReadPortDword(0xCFC);
        if ((ids & 0xFFFF) == 0xFFFF) continue;
        char text[32];
        std::snprintf(text, sizeof text, "%02x:%02x.%x %04x:%04x", bus, dev, fn, ids & 0xFFFF, ids >> 16);
        seen.insert(text);
      }
    }
  }
  const auto listed = ListedByLspci();
  EXPECT_FALSE(listed.empty());
  EXPECT_EQ(seen, listed);

  hw::AdapterList adapters;
  hw::ScanDisplayAdapters(io, adapters);
  EXPECT_EQ(adapters.count, 0u) << "this machine has no display card";
  EXPECT_TRUE(ui.Lines().empty());
}

TEST(RealSysfs, TheTerminalFrontEndReachesCardDetectionThroughSysfs) {
  if (const auto why = MissingPrerequisite(); !why.empty()) GTEST_SKIP() << why;
  if (::geteuid() != 0) GTEST_SKIP() << "reading whole configuration spaces needs root";
  if (HasDisplayController()) GTEST_SKIP() << "this machine has a display controller";
  // The program holds the machine's lock (/run/rzflash.lock): another run of it on this machine
  // (another developer's tests) makes this one wait its turn, within a generous limit.
  Outcome run;
  const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(5);
  do {
    run = RunShell(std::string(RZFLASH_CLI_PATH) + " info 2>&1");
    if (run.output.find("Kelvara is running!") == std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  } while (std::chrono::steady_clock::now() < until);
  EXPECT_EQ(run.status, 1) << run.output;
  const std::string last = "rzflash-cli: no display adapter of the maker or of ATI was found\n";
  ASSERT_GE(run.output.size(), last.size()) << run.output;
  EXPECT_EQ(run.output.substr(run.output.size() - last.size()), last) << run.output;
}

// Started with standard descriptors closed, the front end's messages go nowhere: never into the
// lock file or another file it opens that took the closed descriptor's number.
TEST(RealSysfs, TheTerminalFrontEndStartedWithClosedDescriptorsWritesIntoNoFile) {
  if (const auto why = MissingPrerequisite(); !why.empty()) GTEST_SKIP() << why;
  if (::geteuid() != 0) GTEST_SKIP() << "reading whole configuration spaces needs root";
  if (HasDisplayController()) GTEST_SKIP() << "this machine has a display controller";
  for (const char* closing : {"<&-", ">&-", "2>&-", ">&- 2>&-", "<&- >&- 2>&-"}) {
    SCOPED_TRACE(closing);
    TempDir dir;
    const std::string d = dir.Path().string();
    // The lock and the run's folders are made in the test's folder; the status is printed after.
    const Outcome run = RunShell("cd '" + d + "' && XDG_RUNTIME_DIR='" + d + "' TMPDIR='" + d +
                                 "' " + RZFLASH_CLI_PATH + " --transcript t.txt info " + closing +
                                 "; echo \"status $?\"");
    EXPECT_EQ(run.output.substr(run.output.find("status ")), "status 1\n") << run.output;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(d)) {
      if (!entry.is_regular_file() || entry.path().filename() == "t.txt") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      EXPECT_EQ(text.find("No Card Found"), std::string::npos) << entry.path() << ": " << text;
      EXPECT_EQ(text.find("rzflash-cli:"), std::string::npos) << entry.path() << ": " << text;
    }
  }
}

}  // namespace
}  // namespace rz::test
