// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of the sysfs method at open: the slot's files before its root, files opened directly
// closed with the device, methods tried in order with each failure named; and the directly opened
// files' listing.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include "backends/linux/LinuxServiceControl.h"
#include "backends/linux/access/DirectSysfsFiles.h"
#include "backends/linux/access/LinuxDriverDevice.h"
#include "backends/linux/access/RawAccessProblem.h"
#include "backends/linux/access/SysfsFilesSlot.h"
#include "backends/linux/process/LinuxSystem.h"
#include "base/BuildConfig.h"
#include "hw/AdapterScan.h"
#include "hw/DriverRequests.h"
#include "hw/IoDriver.h"
#include "hw/PciConfig.h"
#include "linux/FakeSysfsTree.h"
#include "linux/SysfsMachine.h"
#include "platform/driver/DriverProtocol.h"
#include "support/ScriptedUi.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace lx = platform;
using namespace sysfs;

// The files come from the slot when the service calls filled it, else from its root.
TEST(SysfsMethodChoice, TheSlotsFilesComeBeforeItsRoot) {
  TempDir dir;
  FakeSysfsTree tree{dir.Path() / "handed"};
  LayOutMachine(tree);
  lx::SysfsFilesSlot slot{std::make_unique<lx::DirectSysfsFiles>(tree.Root().string()),
                          (dir.Path() / "nothing-here").string()};
  lx::LinuxDriverDevice device{lx::AccessSources{&slot, {}}, {lx::SysfsAccessRecord()}};
  const auto handle = device.Open("");
  ASSERT_NE(handle, platform::kInvalidDeviceHandle);
  const int config = slot.files->Descriptor(kCard, "config", false);
  device.Close(handle);
  EXPECT_NE(::fcntl(config, F_GETFD), -1) << "the slot's descriptors stay open after Close";

  slot.files.reset();
  EXPECT_EQ(device.Open(""), platform::kInvalidDeviceHandle) << "the root is empty";
  ASSERT_EQ(device.Attempts().size(), 1u);
  EXPECT_EQ(device.Attempts()[0].why,
            "no PCI devices in " + (dir.Path() / "nothing-here").string() + "/bus/pci/devices");
}

// Files the device opened itself under the slot's root go with the method at Close.
TEST(SysfsMethodChoice, FilesOpenedDirectlyAreClosedWithTheDevice) {
  TempDir dir;
  FakeSysfsTree tree{dir.Path() / "sys"};
  LayOutMachine(tree);
  lx::SysfsFilesSlot slot{nullptr, tree.Root().string()};
  lx::LinuxDriverDevice device{lx::AccessSources{&slot, {}}, {lx::SysfsAccessRecord()}};
  const std::size_t before = OpenDescriptors();
  for (int round = 0; round < 2; ++round) {
    const auto handle = device.Open("");
    ASSERT_NE(handle, platform::kInvalidDeviceHandle);
    std::uint8_t request[12] = {0xF8, 0x0C, 0, 0, 0x00, 0x00, 0x01, 0x80, 1, 0, 4, 0};  // bus 1
    ASSERT_TRUE(device.Control(handle, platform::kIoctlAccessPortData, request, 12, request, 12));
    std::uint8_t read[12] = {0xFC, 0x0C, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0};
    ASSERT_TRUE(device.Control(handle, platform::kIoctlAccessPortData, read, 12, read, 12));
    EXPECT_EQ(read[4], 0xDE);
    EXPECT_GT(OpenDescriptors(), before);
    device.Close(handle);
    EXPECT_EQ(OpenDescriptors(), before) << round;
  }
}

TEST(SysfsMethodChoice, MethodsAreTriedInOrderAndEachFailureIsNamed) {
  TempDir dir;
  FakeSysfsTree tree{dir.Path() / "sys"};
  // Configuration space readable only in part, as for a user without privilege.
  tree.Add({"0000:00:00.0", 0x8086, 0x0D57, 0x060000, 0, {}, {}, 64});
  lx::SysfsFilesSlot slot{nullptr, tree.Root().string()};
  const lx::LinuxDriverPaths raw{dir.File("no-port"), dir.File("no-mem"),
                                 lx::WidePortAccess::PortFileBytes};
  lx::LinuxDriverDevice device{lx::AccessSources{&slot, raw}, lx::LinuxAccessMethods()};
  EXPECT_EQ(device.Open(""), platform::kInvalidDeviceHandle);
  ASSERT_EQ(device.Attempts().size(), 2u);
  EXPECT_EQ(device.Attempts()[0].method, "sysfs");
  EXPECT_EQ(device.Attempts()[1].method, "raw");

  const lx::RawAccessFacts facts{1000, raw.port, raw.mem, dir.File("no-lockdown"), dir.File("no-cmdline")};
  const std::string text = lx::DescribeAccessMethodProblems(device.Attempts(), facts);
  EXPECT_EQ(text.substr(0, text.find('\n')),
            "access method sysfs failed: only part of the configuration space of 0000:00:00.0 can "
            "be read: reading all of it needs root or the access broker");
  EXPECT_NE(text.find("access method raw failed: " + raw.port +
                      " cannot be opened for reading and writing: No such file or directory"),
            std::string::npos) << text;
  EXPECT_NE(text.find("not running as root"), std::string::npos) << text;
  EXPECT_EQ(lx::DescribeAccessMethodProblems({}, facts), lx::DescribeRawAccessProblem(facts));

  // With the raw files present the second method serves the device.
  dir.Write("no-port", std::string(0x10000, '\0'));
  dir.Write("no-mem", std::string(4096, '\0'));
  EXPECT_NE(device.Open(""), platform::kInvalidDeviceHandle);
  EXPECT_EQ(device.MethodName(), "raw");
  ASSERT_EQ(device.Attempts().size(), 1u);
  EXPECT_EQ(device.Attempts()[0].method, "sysfs");
}

TEST(DirectSysfsFiles, ListsDevicesInOrderAndStaysInsideTheirFolders) {
  TempDir dir;
  FakeSysfsTree tree{dir.Path() / "sys"};
  LayOutMachine(tree);
  FakeSysfsTree::Write((dir.Path() / "sys/bus/pci/secret").string(), "x");
  lx::DirectSysfsFiles files(tree.Root().string());
  EXPECT_EQ(files.Devices(), (std::vector<std::string>{"0000:00:00.0", kNic, kCard}));
  const int ro = files.Descriptor(kCard, "config", false);
  ASSERT_GE(ro, 0);
  EXPECT_EQ(files.Descriptor(kCard, "config", false), ro) << "opened once";
  const int rw = files.Descriptor(kCard, "config", true);
  ASSERT_GE(rw, 0);
  EXPECT_NE(rw, ro);
  EXPECT_EQ(::fcntl(rw, F_GETFL) & O_ACCMODE, O_RDWR);
  EXPECT_EQ(files.Descriptor(kCard, "config", false), rw) << "a read-write descriptor serves reads";
  EXPECT_EQ(files.Descriptor(kCard, "resource9", false), -1);
  EXPECT_EQ(files.Descriptor("..", "secret", false), -1);
  EXPECT_EQ(files.Descriptor(kCard, "../../secret", false), -1);
  EXPECT_EQ(files.Attribute(kCard, "class"), "0x030000\n");
  EXPECT_EQ(files.Attribute(kCard, "missing"), std::nullopt);
  EXPECT_EQ(files.Attribute("..", "secret"), std::nullopt);
  EXPECT_TRUE(lx::DirectSysfsFiles((dir.Path() / "none").string()).Devices().empty());
}

}  // namespace
}  // namespace rz::test
