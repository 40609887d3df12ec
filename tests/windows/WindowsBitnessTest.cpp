// SPDX-License-Identifier: GPL-3.0-or-later
// Which build of the driver a program asks for: the machine's, whatever the program was built as.
// A 32-bit build on 64-bit Windows runs under WOW64 (here: Wine's 32-bit loader in a 64-bit
// prefix) and must still ask for ZPCIDrv64.sys and \\.\ZPCIDrv64, since only the 64-bit driver
// loads into a 64-bit kernel. Both Windows builds run these tests.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "BuiltPaths.h"
#include "ChildProcess.h"
#include "backends/windows/WindowsSystem.h"
#include "backends/windows/driver/OsVersionCode.h"
#include "host/PrivateFolder.h"
#include "platform/driver/DriverFacts.h"

namespace rz::test {
namespace {

// The machine's bitness as the system's folders tell it, apart from the calls the program decides
// with: only 64-bit Windows has a folder for the 32-bit system files.
bool MachineHasWow64Folder() {
  char folder[MAX_PATH] = {};
  return ::GetSystemWow64DirectoryA(folder, MAX_PATH) != 0;
}

// What the run says the machine is: RZ_TEST_MACHINE_BITS (64 or 32), set by the script that made
// the Wine prefix; nullopt when nothing says it.
std::optional<std::string> DeclaredMachineBits() {
  char value[8] = {};
  const DWORD n = ::GetEnvironmentVariableA("RZ_TEST_MACHINE_BITS", value, sizeof value);
  if (n == 0 || n >= sizeof value) return std::nullopt;
  return std::string(value);
}

TEST(Bitness, TheMachineIsTheOneTheRunDeclares) {
  const auto declared = DeclaredMachineBits();
  if (!declared) GTEST_SKIP() << "RZ_TEST_MACHINE_BITS is not set";
  ASSERT_TRUE(*declared == "64" || *declared == "32") << *declared;
  EXPECT_EQ(MachineHasWow64Folder(), *declared == "64");
}

TEST(Bitness, OnlyA32BitProgramOnA64BitMachineRunsUnderWow64) {
  const bool machine64 = MachineHasWow64Folder();
  BOOL wow = FALSE;
  ASSERT_TRUE(::IsWow64Process(::GetCurrentProcess(), &wow));
  EXPECT_EQ(wow != FALSE, sizeof(void*) == 4 && machine64);
  if (sizeof(void*) == 8) {
    EXPECT_TRUE(machine64) << "a 64-bit program runs on 64-bit Windows only";
  }
}

TEST(Bitness, TheMachineChoosesTheDriverBuild) {
  const bool machine64 = MachineHasWow64Folder();
  EXPECT_EQ(platform::MachineIs64Bit(), machine64);
  // Without the maker's library the program answers for the machine itself.
  platform::PrivateFolder noLibrary("rz-bitness-");
  platform::WindowsSystem system({noLibrary.Path() + "\\", ""});
  const std::uint32_t code = system.GetOSVer();
  EXPECT_EQ(code, machine64 ? platform::kOwnCode64Bit : platform::kOwnCode32Bit);
  EXPECT_STREQ(platform::DriverFileFor(code), machine64 ? "ZPCIDrv64.sys" : "ZPCIDrv.sys");
  EXPECT_STREQ(platform::DevicePathFor(code), machine64 ? "\\\\.\\ZPCIDrv64" : "\\\\.\\ZPCIDrv");
}

// The program itself, started without its driver file, names the build it asked for. It installs
// and removes the driver's service, one per machine: hence *OnMachine.
TEST(BitnessOnMachine, TheProgramAsksForTheMachinesDriver) {
  const bool machine64 = MachineHasWow64Folder();
  const auto r = RunChild(Quoted(CliPath()) + " info");
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.exitCode, 3u) << r.err;
  const std::string file = machine64 ? "ZPCIDrv64.sys" : "ZPCIDrv.sys";
  const std::string device = machine64 ? "\\\\.\\ZPCIDrv64" : "\\\\.\\ZPCIDrv";
  EXPECT_NE(r.err.find("\\" + file + " is missing"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(" and " + device + "."), std::string::npos) << r.err;
}

}  // namespace
}  // namespace rz::test
