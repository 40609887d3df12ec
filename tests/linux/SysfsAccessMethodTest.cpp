// SPDX-License-Identifier: GPL-3.0-or-later
// The sysfs access method on folders laid out like sysfs: the adapter scan through it, the
// emulated configuration mechanism (widths, byte lanes, absent devices, refused writes), refused
// ports, and maps through the devices' resource files.
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

std::vector<std::uint8_t> FileBytes(const std::string& path, off_t at, std::size_t n) {
  std::vector<std::uint8_t> out(n);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::pread(fd, out.data(), n, at) != static_cast<ssize_t>(n)) out.clear();
  if (fd >= 0) ::close(fd);
  return out;
}

std::uint32_t Address(int bus, int device, int function, int reg, bool enable = true) {
  return (enable ? 0x80000000u : 0u) | static_cast<std::uint32_t>(bus << 16 | device << 11 |
                                                                   function << 8 | (reg & 0xFC));
}

class SysfsMethod : public ::testing::Test {
 protected:
  void SetUp() override {
    LayOutMachine(tree);
    ASSERT_TRUE(driver.OpenDriver());
    ASSERT_EQ(device.MethodName(), "sysfs");
  }

  // One port request straight through the protocol; nullopt when the device refuses it.
  std::optional<std::uint32_t> Port(std::uint16_t port, std::uint16_t width, bool write,
                                    std::uint32_t data = 0) {
    platform::PortAccessRequest r;
    r.port = port;
    r.width = width;
    r.direction = write ? platform::kPortDirectionWrite : 0;
    r.data = data;
    auto buffer = platform::EncodePortAccess(r);
    if (!device.Control(driver.deviceHandle, platform::kIoctlAccessPortData, buffer.data(), 12,
                        buffer.data(), 12))
      return std::nullopt;
    return platform::DecodePortAccess(buffer.data()).data;
  }

  TempDir dir;
  FakeSysfsTree tree{dir.Path() / "sys"};
  lx::SysfsFilesSlot slot{nullptr, tree.Root().string()};
  lx::LinuxDriverDevice device{lx::AccessSources{&slot, {}}, {lx::SysfsAccessRecord()}};
  lx::LinuxServiceControl services;
  lx::LinuxSystem system{lx::LinuxSystemOptions{dir.File("rzflash.lock"), dir.Path().string()}};
  hw::IoDriver driver{services, device, system};
  ui::ScriptedUi ui;
  hw::DriverRequests io{driver, ui};
};

TEST_F(SysfsMethod, TheAdapterScanFindsTheDisplayCard) {
  hw::AdapterList list;
  hw::ScanDisplayAdapters(io, list);
  ASSERT_EQ(list.count, 1u);
  EXPECT_EQ(list.adapters[0].bus, 1);
  EXPECT_EQ(list.adapters[0].device, 0);
  EXPECT_EQ(list.adapters[0].ids, 0x123410DEu);
  EXPECT_EQ(list.adapters[0].subsystemIds, kMakerSubsystemVendorId | 0x56780000u);
  std::uint16_t id = 0;
  EXPECT_TRUE(hw::IsNvidiaVgaAdapter(io, 1, 0, id));
  EXPECT_EQ(id, 0x1234);
  EXPECT_TRUE(ui.Lines().empty());
}

TEST_F(SysfsMethod, ConfigReadsTakeTheByteLaneFromThePort) {
  struct Case {
    int reg;
    std::uint16_t port, width;
    std::uint32_t expected;
  } cases[] = {
      {0x00, 0xCFC, 4, 0x123410DEu}, {0x00, 0xCFE, 2, 0x1234},   {0x00, 0xCFC, 2, 0x10DE},
      {0x00, 0xCFD, 1, 0x10},        {0x08, 0xCFF, 1, 0x03},     {0x08, 0xCFC, 1, 0xA1},
      {0x08, 0xCFD, 2, 0x0000},      {0x10, 0xCFC, 4, kBarStart}, {0x40, 0xCFD, 1, 0x48},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Port(0xCF8, 4, true, Address(1, 0, 0, c.reg)));
    EXPECT_EQ(Port(0xCF8, 4, false), Address(1, 0, 0, c.reg)) << "the address is kept";
    EXPECT_EQ(Port(c.port, c.width, false), c.expected) << std::hex << c.reg << " " << c.port;
  }
  EXPECT_EQ(hw::ReadPciConfigWord(io, 1, 0, 0x2E), 0x5678);
}

TEST_F(SysfsMethod, ConfigWritesLandInTheFileAtTheRegister) {
  struct Case {
    int reg;
    std::uint16_t port, width;
    std::uint32_t value;
    off_t at;
    std::vector<std::uint8_t> bytes;  // the file from `at` on afterwards
  } cases[] = {
      {0x50, 0xCFC, 4, 0x11223344u, 0x50, {0x44, 0x33, 0x22, 0x11, 0x00}},
      {0x54, 0xCFE, 2, 0xBEEF, 0x54, {0x00, 0x00, 0xEF, 0xBE, 0x00}},
      {0x58, 0xCFD, 1, 0x7A, 0x58, {0x00, 0x7A, 0x00}},
      {0x5C, 0xCFF, 1, 0x99, 0x5C, {0x00, 0x00, 0x00, 0x99, 0x00}},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Port(0xCF8, 4, true, Address(1, 0, 0, c.reg)));
    ASSERT_TRUE(Port(c.port, c.width, true, c.value)) << std::hex << c.reg;
    EXPECT_EQ(FileBytes(tree.File(kCard, "config"), c.at, c.bytes.size()), c.bytes) << std::hex << c.reg;
  }
  // The program's read-modify-write of the command register keeps the status half.
  const auto before = FileBytes(tree.File(kCard, "config"), 0, 256);
  ASSERT_EQ(before.size(), 256u);
  auto config = before;
  config[6] = 0x10;
  config[7] = 0x02;
  FakeSysfsTree::Write(tree.File(kCard, "config"), std::string(config.begin(), config.end()));
  hw::WritePciConfigWord(io, 1, 0, 0x04, 0x0106);
  EXPECT_EQ(FileBytes(tree.File(kCard, "config"), 4, 4), (std::vector<std::uint8_t>{0x06, 0x01, 0x10, 0x02}));
  EXPECT_TRUE(ui.Lines().empty());
}

TEST_F(SysfsMethod, AbsentDevicesReadAllOnesAndTakeNoWrites) {
  const auto config = FileBytes(tree.File(kCard, "config"), 0, 256);
  struct Case {
    std::uint32_t address;
    const char* what;
  } cases[] = {
      {Address(2, 0, 0, 0), "empty bus"},
      {Address(0, 7, 0, 0), "empty slot"},
      {Address(1, 0, 1, 0), "absent function of a present device"},
      {Address(1, 0, 0, 0, false), "enable bit clear"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Port(0xCF8, 4, true, c.address));
    EXPECT_EQ(Port(0xCFC, 4, false), 0xFFFFFFFFu) << c.what;
    EXPECT_EQ(Port(0xCFE, 2, false), 0xFFFFu) << c.what;
    EXPECT_EQ(Port(0xCFF, 1, false), 0xFFu) << c.what;
    EXPECT_TRUE(Port(0xCFC, 4, true, 0)) << c.what << ": the write is dropped, not refused";
  }
  EXPECT_EQ(FileBytes(tree.File(kCard, "config"), 0, 256), config);
  EXPECT_EQ(hw::ReadPciConfigDword(io, 3, 0, 0), 0xFFFFFFFFu);
}

TEST_F(SysfsMethod, OnlyTheConfigurationAndDelayPortsAreServed) {
  const struct {
    std::uint16_t port, width;
    bool write;
  } refused[] = {
      {0x80, 1, true},    {0xEB, 1, false},  {0xEB, 4, true},   {0xEA, 2, true},
      {0xCF8, 1, true},   {0xCF9, 1, true},  {0xCF8, 2, false}, {0xCFA, 2, true},
      {0xCFE, 4, false},  {0xCFD, 4, true},  {0xCFF, 2, false}, {0xD00, 1, false},
      {0x3C0, 1, true},   {0x0CF7, 4, true},
  };
  for (const auto& r : refused)
    EXPECT_FALSE(Port(r.port, r.width, r.write, 0x80000000u)) << std::hex << r.port << " " << r.width;

  const auto config = FileBytes(tree.File(kCard, "config"), 0, 256);
  for (int i = 0; i < 50; ++i) EXPECT_TRUE(io.WritePortByte(0xEB, 0));
  EXPECT_EQ(FileBytes(tree.File(kCard, "config"), 0, 256), config);
  EXPECT_TRUE(ui.Lines().empty());
  EXPECT_FALSE(io.WritePortByte(0x80, 0));
  EXPECT_EQ(ui.Lines(),
            std::vector<std::string>{"box \"\" ok none: DeviceIOControl Fail(IOCTL_ACCESS_PORT_DATA)"});
}

TEST_F(SysfsMethod, DevicesThatAreNotDisplaysAreNotWritten) {
  const auto config = FileBytes(tree.File(kNic, "config"), 0, 256);
  ASSERT_TRUE(Port(0xCF8, 4, true, Address(0, 3, 0, 0x04)));
  EXPECT_FALSE(Port(0xCFC, 4, true, 0x00000007));
  EXPECT_FALSE(Port(0xCFC, 1, true, 0x07));
  EXPECT_EQ(Port(0xCFC, 4, false), 0u) << "reading stays allowed";
  EXPECT_EQ(FileBytes(tree.File(kNic, "config"), 0, 256), config);
}

TEST_F(SysfsMethod, MapsGoThroughTheResourceFileOfTheDisplayBarHoldingTheRange) {
  // Something to read back through the mapping.
  const int fd = ::open(tree.File(kCard, "resource0").c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  const std::uint8_t mark[4] = {0xDE, 0xC0, 0xAD, 0x0B};
  ASSERT_EQ(::pwrite(fd, mark, 4, 0x2000), 4);
  ::close(fd);

  std::uint32_t token = 0;
  io.MapPhysicalMemory(kBarStart + 0x1010, 0x1000, token);
  ASSERT_NE(token, 0u);
  io.WriteMem32(token, 0x11223344u);
  io.WriteMem8(token + 0x10, 0xAB);
  EXPECT_EQ(io.ReadMem32(token + 0xFF0), 0x0BADC0DEu);
  EXPECT_EQ(FileBytes(tree.File(kCard, "resource0"), 0x1010, 4),
            (std::vector<std::uint8_t>{0x44, 0x33, 0x22, 0x11}));
  EXPECT_EQ(FileBytes(tree.File(kCard, "resource0"), 0x1020, 1), std::vector<std::uint8_t>{0xAB});
  io.UnmapPhysicalMemory(token);

  std::uint32_t whole = 0;
  io.MapPhysicalMemory(kBarStart, kBarSize, whole);
  EXPECT_NE(whole, 0u) << "the whole BAR";
  std::uint32_t high = 0;
  io.MapPhysicalMemory(0xE8080000, 0x1000, high);
  EXPECT_NE(high, 0u) << "a 64-bit prefetchable BAR";
  EXPECT_TRUE(ui.Lines().empty());
  EXPECT_EQ(device.LiveMappings(), 2u);

  const struct {
    std::uint32_t physical, length;
    const char* what;
  } refused[] = {
      {kBarStart - 0x10, 0x20, "starts before the BAR"},
      {0xF7000000, 0x100, "a BAR of a device that is not a display"},
      {0xF5000000, 0x10, "an I/O BAR"},
      {0x000C0000, 0x8000, "in no BAR at all"},
  };
  for (const auto& r : refused) {
    std::uint32_t none = 1;
    io.MapPhysicalMemory(r.physical, r.length, none);
    EXPECT_EQ(none, 0u) << r.what;
  }
  EXPECT_EQ(ui.Lines().size(), std::size(refused));
  EXPECT_EQ(device.LiveMappings(), 2u);
  device.Close(driver.deviceHandle);
  EXPECT_EQ(device.LiveMappings(), 0u) << "closing the device drops its mappings";
}
}  // namespace
}  // namespace rz::test
