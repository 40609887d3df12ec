// SPDX-License-Identifier: GPL-3.0-or-later
// Map requests on both Linux access methods over sparse fake files laid out as a real board: 16 MiB
// of registers at BAR0 with a network card's BAR right after them. A map that starts in a BAR gets
// the part of its range that the BAR holds (the program's 32 MiB window among them), accesses past
// that part are refused, and no map reaches another device's memory or starts where no BAR is.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

#include "backends/linux/LinuxServiceControl.h"
#include "backends/linux/access/LinuxDriverDevice.h"
#include "backends/linux/access/SysfsFilesSlot.h"
#include "backends/linux/process/LinuxSystem.h"
#include "hw/DriverRequests.h"
#include "hw/IoDriver.h"
#include "linux/FakePciList.h"
#include "linux/FakeSysfsTree.h"
#include "support/ScriptedUi.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace lx = platform;

constexpr std::uint32_t kBar = 0x1000000, kBarSize = 0x1000000;
constexpr std::uint32_t kNicBar = 0x2000000, kNicBarSize = 0x1000;
constexpr std::uint32_t kMemorySize = kNicBar + 0x2000;
constexpr std::uint32_t kNowhere = 0x3000000;
constexpr const char* kCard = "0000:01:00.0";
constexpr const char* kNic = "0000:00:03.0";

// Where each method finds the machine: a sysfs tree, and files standing for /dev/port, /dev/mem
// and /proc/bus/pci/devices.
struct FakeMachine {
  TempDir dir;
  FakeSysfsTree tree{dir.Path() / "sys"};
  lx::SysfsFilesSlot slot{nullptr, tree.Root().string()};
  lx::LinuxDriverPaths raw{dir.File("port"), dir.File("mem"), lx::WidePortAccess::PortFileBytes,
                           dir.File("devices")};

  FakeMachine() {
    tree.Add({kNic, 0x1AF4, 0x1041, 0x020000, 0, {}, {{1, kNicBar, kNicBarSize}}});
    tree.Add({kCard, 0x10DE, 0x0191, 0x030000, 0, {0x10},
              {{0, kBar, kBarSize}, {4, 0xE000, 0x80, 0x40101}}});
    dir.Write("port", std::string(0x10000, '\0'));
    dir.Write("mem", "");
    std::filesystem::resize_file(dir.File("mem"), kMemorySize);
    dir.Write("devices", ProcPciLine("0018", 0x1AF41041, {{1, kNicBar, kNicBarSize}}) +
                             ProcPciLine("0100", 0x10DE0191, {{0, kBar, kBarSize}, {4, 0xE001, 0x80}}));
  }
  // The files that hold the byte at `physical` (the resource file of the BAR holding it, if any,
  // and /dev/mem's stand-in) with the offset in each.
  std::vector<std::pair<std::string, off_t>> Holders(std::uint32_t physical) const {
    std::vector<std::pair<std::string, off_t>> at{{dir.File("mem"), physical}};
    if (physical - kBar < kBarSize) at.emplace_back(tree.File(kCard, "resource0"), physical - kBar);
    if (physical - kNicBar < kNicBarSize) at.emplace_back(tree.File(kNic, "resource1"), physical - kNicBar);
    return at;
  }
  void Put(std::uint32_t physical, std::uint8_t value) const {
    for (const auto& [path, at] : Holders(physical)) {
      const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
      EXPECT_EQ(::pwrite(fd, &value, 1, at), 1) << path;
      ::close(fd);
    }
  }
  // What every file holding `physical` has there (they all agree: Put writes them all).
  std::vector<int> Get(std::uint32_t physical) const {
    std::vector<int> values;
    for (const auto& [path, at] : Holders(physical)) {
      std::uint8_t b = 0;
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      values.push_back(::pread(fd, &b, 1, at) == 1 ? b : -1);
      ::close(fd);
    }
    return values;
  }
};

struct Road {
  const char* name;
  bool sysfs;
};
void PrintTo(const Road& road, std::ostream* out) { *out << road.name; }

class MapClip : public ::testing::TestWithParam<Road> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(driver.OpenDriver());
    ASSERT_EQ(device.MethodName(), GetParam().sysfs ? "sysfs" : "raw");
  }
  lx::AccessSources Sources() {
    return GetParam().sysfs ? lx::AccessSources{&m.slot, {}} : lx::AccessSources{nullptr, m.raw};
  }
  static std::vector<lx::AccessMethodRecord> Methods() {
    return {GetParam().sysfs ? lx::SysfsAccessRecord() : lx::RawAccessRecord()};
  }

  FakeMachine m;
  lx::LinuxDriverDevice device{Sources(), Methods()};
  lx::LinuxServiceControl services;
  lx::LinuxSystem system{lx::LinuxSystemOptions{m.dir.File("rzflash.lock"), m.dir.Path().string()}};
  hw::IoDriver driver{services, device, system};
  ui::ScriptedUi ui;
  hw::DriverRequests io{driver, ui};
};

TEST_P(MapClip, AMapGetsThePartOfItsRangeThatTheBarItStartsInHolds) {
  struct Case {
    const char* what;
    std::uint32_t physical, length;
    std::uint32_t sysfsMapped, rawMapped;  // 0: refused
  } cases[] = {
      {"inside the BAR", kBar + 0x1000, 0x100, 0x100, 0x100},
      {"straddling the BAR's end", kBar + kBarSize - 0x1000, 0x2000, 0x1000, 0x1000},
      {"exactly the BAR", kBar, kBarSize, kBarSize, kBarSize},
      {"the program's 32 MiB window", kBar, 0x2000000, kBarSize, kBarSize},
      // Without sysfs the device classes are not known: any device's memory BAR serves.
      {"starting in a BAR of a device that is not a display", kNicBar + 0x10, 0x2000, 0, 0xFF0},
      {"starting just before the BAR", kBar - 0x10, 0x20, 0, 0},
      {"starting in no BAR", kNowhere, 0x100, 0, 0},
      {"starting in the display's I/O BAR", 0xE000, 0x10, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::uint32_t mapped = GetParam().sysfs ? c.sysfsMapped : c.rawMapped;
    const std::uint32_t past = c.physical + mapped;
    if (mapped != 0) {
      for (std::uint32_t i = 0; i < 4; ++i) m.Put(past - 4 + i, static_cast<std::uint8_t>(0xA0 + i));
      m.Put(past, 0x5A);
    }
    const std::size_t boxes = ui.Lines().size();
    std::uint32_t token = 1;
    io.MapPhysicalMemory(c.physical, c.length, token);
    if (mapped == 0) {
      EXPECT_EQ(token, 0u);
      EXPECT_EQ(ui.Lines().size(), boxes + 1) << "the map failure is shown";
      EXPECT_NE(device.MapProblem(), "");
      continue;
    }
    ASSERT_NE(token, 0u);
    const std::uint64_t invalid = device.InvalidAccesses();
    EXPECT_EQ(io.ReadMem32(token + mapped - 4), 0xA3A2A1A0u) << "the last dword mapped";
    EXPECT_EQ(io.ReadMem8(token + mapped - 1), 0xA3);
    EXPECT_EQ(device.InvalidAccesses(), invalid);

    // Past the mapped part: refused, and what lies there (another device's BAR) stays as it was.
    EXPECT_EQ(io.ReadMem8(token + mapped), 0xFF);
    EXPECT_EQ(io.ReadMem32(token + mapped), 0xFFFFFFFFu);
    io.WriteMem8(token + mapped, 0);
    io.WriteMem32(token + mapped, 0);
    EXPECT_EQ(device.InvalidAccesses(), invalid + 4);
    for (const int value : m.Get(past)) EXPECT_EQ(value, 0x5A);
    io.UnmapPhysicalMemory(token);
    EXPECT_EQ(ui.Lines().size(), boxes);
  }
  EXPECT_EQ(device.LiveMappings(), 0u);
}

TEST_P(MapClip, ARefusedMapKeepsItsReason) {
  if (!GetParam().sysfs) {
    ASSERT_EQ(::unlink(m.dir.File("devices").c_str()), 0);
  }
  std::uint32_t token = 1;
  io.MapPhysicalMemory(kNowhere, 0x100, token);
  EXPECT_EQ(token, 0u);
  EXPECT_EQ(device.MapProblem(),
            GetParam().sysfs ? "no memory BAR of a display device holds 0x03000000"
                             : m.dir.File("devices") + " cannot be read: No such file or directory");
  if (GetParam().sysfs) return;
  m.dir.Write("devices", ProcPciLine("0100", 0x10DE0191, {{0, kBar, kBarSize}}));
  io.MapPhysicalMemory(kNowhere, 0x100, token);
  EXPECT_EQ(device.MapProblem(), "no memory BAR in " + m.dir.File("devices") + " holds 0x03000000");
  io.MapPhysicalMemory(kBar, 0x100, token);
  EXPECT_NE(token, 0u) << "the list is read again at every map";
}

INSTANTIATE_TEST_SUITE_P(Roads, MapClip, ::testing::Values(Road{"sysfs", true}, Road{"raw", false}),
                         [](const auto& road) { return std::string(road.param.name); });

}  // namespace
}  // namespace rz::test
