// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux driver device over ordinary files standing in for /dev/port and /dev/mem: request
// decoding, port offsets and widths, mappings by 32-bit token, and failure handling.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include "backends/linux/LinuxServiceControl.h"
#include "backends/linux/access/LinuxDriverDevice.h"
#include "backends/linux/process/LinuxSystem.h"
#include "base/LittleEndian.h"
#include "hw/DriverRequests.h"
#include "hw/IoDriver.h"
#include "linux/FakePciList.h"
#include "platform/driver/DriverProtocol.h"
#include "support/DriverRequestCases.h"
#include "support/ScriptedUi.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace lx = platform;

std::size_t OpenDescriptors() {
  std::size_t n = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (::readdir(d)) ++n;
    ::closedir(d);
  }
  return n;
}

std::vector<std::uint8_t> FileBytes(const std::string& path, off_t at, std::size_t n) {
  std::vector<std::uint8_t> out(n);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::pread(fd, out.data(), n, at) != static_cast<ssize_t>(n)) out.clear();
  if (fd >= 0) ::close(fd);
  return out;
}

class LinuxDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.Write("port", std::string(0x10000, '\0'));
    std::string mem(3 * 4096, '\0');
    for (std::size_t i = 0; i < mem.size(); ++i) mem[i] = static_cast<char>(i * 7);
    dir.Write("mem", mem);
    // One BAR from address 0 on, large enough for every map here.
    dir.Write("devices", ProcPciLine("0100", 0x10DE0191, {{0, 0, 0x40000000}}));
    ASSERT_TRUE(driver.OpenDriver());
  }
  TempDir dir;
  lx::LinuxDriverDevice device{lx::LinuxDriverPaths{
      dir.File("port"), dir.File("mem"), lx::WidePortAccess::PortFileBytes, dir.File("devices")}};
  lx::LinuxServiceControl services;
  lx::LinuxSystem system{lx::LinuxSystemOptions{dir.File("rzflash.lock"), dir.Path().string()}};
  hw::IoDriver driver{services, device, system};
  ui::ScriptedUi ui;
  hw::DriverRequests io{driver, ui};
};

TEST_F(LinuxDevice, PortRequestsAccessThePortFileAtThePortWithTheirWidth) {
  io.WritePortDword(0xCF8, 0x80012834u);
  EXPECT_EQ(FileBytes(dir.File("port"), 0xCF8, 5), (std::vector<std::uint8_t>{0x34, 0x28, 0x01, 0x80, 0}));
  EXPECT_EQ(io.ReadPortDword(0xCF8), 0x80012834u);
  io.WritePortByte(0xEB, 0xA5);
  EXPECT_EQ(FileBytes(dir.File("port"), 0xEA, 3), (std::vector<std::uint8_t>{0, 0xA5, 0}));

  // A 2-byte read straight through the protocol.
  platform::PortAccessRequest r;
  r.port = 0xCF9;
  r.width = 2;
  auto buffer = platform::EncodePortAccess(r);
  ASSERT_TRUE(device.Control(driver.deviceHandle, platform::kIoctlAccessPortData, buffer.data(), 12,
                             buffer.data(), 12));
  EXPECT_EQ(platform::DecodePortAccess(buffer.data()).data, 0x0128u);
  EXPECT_TRUE(ui.Lines().empty());
}

TEST_F(LinuxDevice, MalformedRequestsFail) {
  ExpectMalformedRequestsRefused(device, driver.deviceHandle);
  ExpectMappingRules(device, driver.deviceHandle, 0x1000);
  EXPECT_EQ(device.LiveMappings(), 0u);
  auto buffer = platform::EncodePortAccess(platform::PortAccessRequest{0x80, 0, 0, 0, 4});
  EXPECT_FALSE(device.Control(driver.deviceHandle + 1, platform::kIoctlAccessPortData,
                              buffer.data(), 12, buffer.data(), 12));
  EXPECT_TRUE(device.Control(driver.deviceHandle, platform::kIoctlAccessPortData, buffer.data(), 12,
                             buffer.data(), 12));
}

TEST_F(LinuxDevice, MappingsAreReachedByTokenAndRefusedOutsideTheirRange) {
  std::uint32_t token = 0;
  io.MapPhysicalMemory(0x1010, 0x20, token);
  ASSERT_NE(token, 0u);
  EXPECT_EQ(device.LiveMappings(), 1u);
  const auto expected = FileBytes(dir.File("mem"), 0x1010, 4);
  EXPECT_EQ(io.ReadMem32(token), le::Get32(expected.data()));
  EXPECT_EQ(io.ReadMem8(token + 0x1F), static_cast<std::uint8_t>(0x102F * 7));
  io.WriteMem8(token + 4, 0xAB);
  io.WriteMem32(token + 8, 0x11223344u);
  EXPECT_EQ(FileBytes(dir.File("mem"), 0x1014, 1), std::vector<std::uint8_t>{0xAB});
  EXPECT_EQ(FileBytes(dir.File("mem"), 0x1018, 4), (std::vector<std::uint8_t>{0x44, 0x33, 0x22, 0x11}));

  EXPECT_EQ(io.ReadMem8(token + 0x20), 0xFF) << "past the requested length";
  EXPECT_EQ(io.ReadMem32(token + 0x1D), 0xFFFFFFFFu) << "straddles the end";
  EXPECT_EQ(io.ReadMem32(token + 1), 0xFFFFFFFFu) << "not one aligned access";
  EXPECT_EQ(device.InvalidAccesses(), 3u);

  std::uint32_t second = 0;
  io.MapPhysicalMemory(0x2000, 0x100, second);
  EXPECT_GT(second, token + 0x20) << "tokens never overlap or repeat";
  io.UnmapPhysicalMemory(token);
  EXPECT_EQ(io.ReadMem8(token), 0xFF) << "an unmapped token reaches nothing";
  io.UnmapPhysicalMemory(token);
  EXPECT_EQ(ui.Lines(), std::vector<std::string>{
                            "box \"\" ok none: DeviceIOControl Fail(IOCTL_UNMAP_PHYS_TO_LINEAR)"});
  std::uint32_t third = 0;
  io.MapPhysicalMemory(0x1010, 0x20, third);
  EXPECT_GT(third, second);
  EXPECT_EQ(device.LiveMappings(), 2u);
}

TEST_F(LinuxDevice, TokensComeBackOnlyForUnmappedRangesWhenTheSpaceIsUsedUp) {
  constexpr std::uint32_t kHuge = 0x40000000;  // 1 GiB of address space; only page 0 is touched
  std::uint32_t kept = 0;
  io.MapPhysicalMemory(0, kHuge, kept);
  ASSERT_NE(kept, 0u);
  std::uint32_t last = 0;
  bool wrapped = false;
  for (int i = 0; i < 8; ++i) {
    std::uint32_t token = 0;
    io.MapPhysicalMemory(0, kHuge, token);
    ASSERT_NE(token, 0u) << i;
    EXPECT_TRUE(token >= kept + kHuge || token + std::uint64_t{kHuge} <= kept) << i;
    wrapped = wrapped || token < last;
    last = token;
    EXPECT_EQ(io.ReadMem8(token + 1), 7);
    io.UnmapPhysicalMemory(token);
  }
  EXPECT_TRUE(wrapped);
  EXPECT_EQ(device.LiveMappings(), 1u);
  EXPECT_TRUE(ui.Lines().empty());
}

TEST_F(LinuxDevice, EmptyMapFailsWithANullAddress) {
  std::uint32_t token = 0xDEAD;
  io.MapPhysicalMemory(0x1000, 0, token);
  EXPECT_EQ(token, 0u);
  EXPECT_EQ(ui.Lines().size(), 1u);
}

TEST_F(LinuxDevice, ClosedDeviceRefusesRequests) {
  driver.CloseDriver();
  EXPECT_EQ(io.ReadPortDword(0xCF8), 0u);
  io.WritePortByte(0xEB, 1);
  EXPECT_EQ(ui.Lines(), (std::vector<std::string>{
                            "box \"\" ok none: DeviceIOControl Fail(IOCTL_ACCESS_PORT_DATA)",
                            "box \"Write_Port_BYTE\" ok none: Failed to open ZPCIDrv WinNT driver"}));
}

TEST(LinuxDeviceOpen, SucceedsOnlyWhenBothFilesOpenAndLeaksNothing) {
  TempDir dir;
  dir.Write("port", "p");
  dir.Write("mem", "m");
  const std::size_t before = OpenDescriptors();
  struct Case {
    const char* port;
    const char* mem;
    bool opens;
  } cases[] = {{"port", "mem", true}, {"missing", "mem", false}, {"port", "missing", false}};
  for (const auto& c : cases) {
    lx::LinuxDriverDevice device(lx::LinuxDriverPaths{dir.File(c.port), dir.File(c.mem)});
    const auto h = device.Open("\\\\.\\ZPCIDrv64");
    EXPECT_EQ(h != platform::kInvalidDeviceHandle, c.opens) << c.port << " " << c.mem;
    if (c.opens) EXPECT_EQ(OpenDescriptors(), before + 2);
    else EXPECT_EQ(OpenDescriptors(), before);
    device.Close(h);
    EXPECT_EQ(OpenDescriptors(), before);
  }
}

}  // namespace
}  // namespace rz::test
