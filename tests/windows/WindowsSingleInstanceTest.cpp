// SPDX-License-Identifier: GPL-3.0-or-later
// The single-instance lock, a named mutex of the whole machine, between this process and a second
// one; and the program refusing a second start, whichever front end runs first.
#include <gtest/gtest.h>

#include <string>

#include "BuiltPaths.h"
#include "ChildProcess.h"
#include "app/Program.h"
#include "backends/windows/WindowsSystem.h"
#include "host/windows/OwnedHandles.h"

namespace rz::test {
namespace {

using platform::win::OwnedHandle;

// A mutex name of this test run alone.
std::string OwnName(const char* what) {
  return std::string("rz-test-") + what + "-" + std::to_string(::GetCurrentProcessId());
}

constexpr std::uint32_t kProbeGotIt = 0;
constexpr std::uint32_t kProbeAnotherInstance = 2;

std::uint32_t Probe(const std::string& name) {
  return RunChild(Quoted(InstanceProbePath()) + " " + name).exitCode;
}

TEST(SingleInstance, AHolderIsNotItsOwnOtherInstance) {
  const std::string name = OwnName("self");
  platform::WindowsSystem first;
  EXPECT_FALSE(first.AnotherInstanceRunning(name));
  EXPECT_FALSE(first.AnotherInstanceRunning(name)) << "asking again";
  platform::WindowsSystem second;
  EXPECT_TRUE(second.AnotherInstanceRunning(name)) << "the name is the system's, not the object's";
  first.ReleaseSingleInstance();
  second.ReleaseSingleInstance();
  platform::WindowsSystem third;
  EXPECT_FALSE(third.AnotherInstanceRunning(name)) << "released by both";
}

// The mutex lives in the machine's global namespace, where the programs of every session meet.
TEST(SingleInstanceOnMachine, TheNameIsTheWholeMachines) {
  const std::string name = OwnName("global");
  {
    platform::WindowsSystem system;
    ASSERT_FALSE(system.AnotherInstanceRunning(name));
    const OwnedHandle seen(::OpenMutexA(SYNCHRONIZE, FALSE, ("Global\\" + name).c_str()));
    EXPECT_TRUE(seen) << "held under Global\\" << name;
  }
  const OwnedHandle other(::CreateMutexA(nullptr, FALSE, ("Global\\" + name).c_str()));
  ASSERT_TRUE(other);
  platform::WindowsSystem system;
  EXPECT_TRUE(system.AnotherInstanceRunning(name)) << "a holder in another session";
}

TEST(SingleInstanceOnMachine, ASecondProcessSeesTheHolder) {
  const std::string name = OwnName("probe");
  EXPECT_EQ(Probe(name), kProbeGotIt) << "nobody holds it";
  platform::WindowsSystem system;
  ASSERT_FALSE(system.AnotherInstanceRunning(name));
  EXPECT_EQ(Probe(name), kProbeAnotherInstance);
  EXPECT_EQ(Probe(name + "x"), kProbeGotIt) << "another name is another program";
  system.ReleaseSingleInstance();
  EXPECT_EQ(Probe(name), kProbeGotIt);
}

TEST(SingleInstanceOnMachine, ThisProcessSeesASecondProcessHoldingIt) {
  const std::string name = OwnName("held");
  const std::string event = OwnName("event");
  const OwnedHandle held(::CreateEventA(nullptr, TRUE, FALSE, (event + "-held").c_str()));
  const OwnedHandle release(::CreateEventA(nullptr, TRUE, FALSE, (event + "-release").c_str()));
  ASSERT_TRUE(held && release);
  ChildProcess holder(Quoted(InstanceProbePath()) + " " + name + " " + event);
  ASSERT_TRUE(holder.Started());
  // Either the holder took the lock, or it ended without it: no waiting beyond that.
  const HANDLE either[] = {held.get(), holder.Process()};
  ASSERT_EQ(::WaitForMultipleObjects(2, either, FALSE, INFINITE), WAIT_OBJECT_0)
      << "the holder ended without taking the lock";
  platform::WindowsSystem system;
  EXPECT_TRUE(system.AnotherInstanceRunning(name));
  system.ReleaseSingleInstance();
  ::SetEvent(release.get());
  EXPECT_EQ(holder.Wait().exitCode, kProbeGotIt);
  EXPECT_FALSE(system.AnotherInstanceRunning(name)) << "the holder has ended";
}

// A running first instance, as the program's second start finds it: its lock, and its driver
// service, which the refused start must not touch. The first may be either front end: both hold
// the same name, whatever their file names.
TEST(SingleInstanceOnMachine, TheProgramRefusesASecondStart) {
  platform::WindowsSystem first;
  ASSERT_FALSE(first.AnotherInstanceRunning(app::kSingleInstanceName));
  const platform::win::OwnedService manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  ASSERT_TRUE(manager);
  platform::win::OwnedService existing(::OpenServiceA(manager.get(), "ZPCIDrv", SERVICE_ALL_ACCESS));
  ASSERT_FALSE(existing) << "a service left from elsewhere";
  const platform::win::OwnedService service(::CreateServiceA(
      manager.get(), "ZPCIDrv", "ZPCIDrv", SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
      SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "C:\\first\\ZPCIDrv64.sys", nullptr, nullptr,
      nullptr, nullptr, nullptr));
  ASSERT_TRUE(service);

  const auto r = RunChild(Quoted(CliPath()) + " info");
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.out.find(app::kSecondInstanceText), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(app::kDriverFailedText), std::string::npos) << "the driver is not touched";
  const platform::win::OwnedService still(::OpenServiceA(manager.get(), "ZPCIDrv", SERVICE_ALL_ACCESS));
  EXPECT_TRUE(still) << "the first instance's service stays";
  ::DeleteService(service.get());
}

}  // namespace
}  // namespace rz::test
