// Map requests on both Linux access methods over fake files: a map that starts in a BAR gets the
// part of its range that the BAR holds (the program's 32 MiB window on a board's 16 MiB BAR0
// among them), accesses past that part are refused, and no map reaches another device's memory or
// starts where no BAR is.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>


#include <filesystem>

#include "base/LittleEndian.h"
#include "eeprom/RomWindow.h"
#include "hw/DriverRequests.h"
#include "hw/IoDriver.h"
#include "linux/FakePciList.h"
#include "linux/FakeSysfsTree.h"
#include "platform/linux/LinuxDriverDevice.h"
#include "platform/linux/LinuxServiceControl.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/SysfsFilesSlot.h"
#include "support/SimHarness.h"
#include "ui/ScriptedUi.h"

namespace rz::test {
namespace {

namespace lx = platform;

constexpr std::uint32_t kBar = 0x4000, kBarSize = 0x4000;
constexpr std::uint32_t kNicBar = 0x8000, kNicBarSize = 0x1000;
constexpr std::uint32_t kNowhere = 0xA000;
constexpr std::size_t kMemorySize = 0xC000;
constexpr const char* kCard = "0000:01:00.0";
constexpr const char* kNic = "0000:00:03.0";

std::uint8_t Pattern(std::uint32_t physical) { return static_cast<std::uint8_t>(physical * 7 + 3); }

std::string PatternBytes(std::uint32_t from, std::size_t n) {
  std::string bytes(n, '\0');
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(Pattern(static_cast<std::uint32_t>(from + i)));
  return bytes;
}

std::uint8_t FileByte(const std::string& path, off_t at) {
  std::uint8_t b = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_GE(fd, 0) << path;
  EXPECT_EQ(::pread(fd, &b, 1, at), 1) << path;
  ::close(fd);
  return b;
}

void PutFileBytes(const std::string& path, off_t at, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  EXPECT_GE(fd, 0) << path;
  EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at), static_cast<ssize_t>(bytes.size())) << path;
  ::close(fd);
}

// Where each method finds a machine: a sysfs tree, and files standing for /dev/port, /dev/mem and
// /proc/bus/pci/devices.
struct FakeFiles {
  TempDir dir;
  FakeSysfsTree tree{dir.Path() / "sys"};
  lx::SysfsFilesSlot slot{nullptr, tree.Root().string()};
  lx::LinuxDriverPaths raw{dir.File("port"), dir.File("mem"), lx::WidePortAccess::PortFileBytes,
                           dir.File("devices")};
  FakeFiles() { dir.Write("port", std::string(0x10000, '\0')); }
};

// A small machine: the display card's BAR0 is directly followed by a network card's BAR.
struct FakeMachine : FakeFiles {
  FakeMachine() {
    tree.Add({kNic, 0x1AF4, 0x1041, 0x020000, 0, {}, {{1, kNicBar, kNicBarSize}}});
    tree.Add({kCard, 0x10DE, 0x0191, 0x030000, 0, {0x10},
              {{0, kBar, kBarSize}, {4, 0xE000, 0x80, 0x40101}}});
    FakeSysfsTree::Write(tree.File(kCard, "resource0"), PatternBytes(kBar, kBarSize));
    FakeSysfsTree::Write(tree.File(kNic, "resource1"), PatternBytes(kNicBar, kNicBarSize));
    dir.Write("mem", PatternBytes(0, kMemorySize));
    dir.Write("devices", ProcPciLine("0018", 0x1AF41041, {{1, kNicBar, kNicBarSize}}) +
                             ProcPciLine("0100", 0x10DE0191, {{0, kBar, kBarSize}, {4, 0xE001, 0x80}}));
  }
  // The file and offset where a method keeps the byte at `physical`.
  std::pair<std::string, off_t> Backing(bool sysfs, std::uint32_t physical) const {
    if (!sysfs) return {dir.File("mem"), physical};
    if (physical >= kNicBar) return {tree.File(kNic, "resource1"), physical - kNicBar};
    return {tree.File(kCard, "resource0"), physical - kBar};
  }
};

struct Road {
  const char* name;
  bool sysfs;
};
void PrintTo(const Road& road, std::ostream* out) { *out << road.name; }

// The board's real layout: 16 MiB of registers at BAR0, the next device's BAR right after them.
// The files are sparse; the bytes the test reads are put in place.
constexpr std::uint32_t kBoardBar = 0x1000000, kBoardBarSize = 0x1000000;
constexpr std::uint32_t kNextBar = 0x2000000;

struct BoardMachine : FakeFiles {
  BoardMachine() {
    tree.Add({kNic, 0x1AF4, 0x1041, 0x020000, 0, {}, {{1, kNextBar, 0x1000}}});
    tree.Add({kCard, 0x10DE, 0x0191, 0x030000, 0, {0x10}, {{0, kBoardBar, kBoardBarSize}}});
    dir.Write("mem", "");
    std::filesystem::resize_file(dir.File("mem"), kNextBar + 0x1000);
    dir.Write("devices", ProcPciLine("0018", 0x1AF41041, {{1, kNextBar, 0x1000}}) +
                             ProcPciLine("0100", 0x10DE0191, {{0, kBoardBar, kBoardBarSize}}));
  }
  // `bytes` at `physical`, in every file that holds that address.
  void Put(std::uint32_t physical, const std::string& bytes) const {
    PutFileBytes(dir.File("mem"), physical, bytes);
    if (physical >= kNextBar) PutFileBytes(tree.File(kNic, "resource1"), physical - kNextBar, bytes);
    else PutFileBytes(tree.File(kCard, "resource0"), physical - kBoardBar, bytes);
  }
};

template <class Machine>
class OnRoad : public ::testing::TestWithParam<Road> {
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

  Machine m;
  lx::LinuxDriverDevice device{Sources(), Methods()};
  lx::LinuxServiceControl services;
  lx::LinuxSystem system{lx::LinuxSystemOptions{m.dir.File("rzflash.lock"), m.dir.Path().string()}};
  hw::IoDriver driver{services, device, system};
  ui::ScriptedUi ui;
  hw::DriverRequests io{driver, ui};
};

class MapClip : public OnRoad<FakeMachine> {};
class ProgramWindow : public OnRoad<BoardMachine> {};

// The program asks for 32 MiB from BAR0; the maker's boards have 16 MiB there. The map gets the
// BAR: its registers and the PROM aperture answer through the token, the next device does not.
TEST_P(ProgramWindow, The32MiBRequestOnA16MiBBar0GetsTheBar) {
  m.Put(kBoardBar + eeprom::kRegStrap, std::string("\x4C\x8A\x40\x00", 4));
  m.Put(kBoardBar + eeprom::kPromOffset, "\x55\xAA");
  m.Put(kBoardBar + kBoardBarSize - 4, "\x01\x02\x03\x04");
  m.Put(kNextBar, "\x78\x56\x34\x12");

  std::uint32_t window = 0;
  io.MapPhysicalMemory(kBoardBar, eeprom::kWindowLength, window);
  ASSERT_NE(window, 0u) << ::testing::PrintToString(ui.Lines());
  EXPECT_TRUE(ui.Lines().empty());
  EXPECT_EQ(io.ReadMem32(window + eeprom::kRegStrap), 0x00408A4Cu);
  EXPECT_EQ(io.ReadMem8(window + eeprom::kPromOffset + 1), 0xAA);
  EXPECT_EQ(io.ReadMem32(window + kBoardBarSize - 4), 0x04030201u) << "the BAR's last register";
  EXPECT_EQ(device.InvalidAccesses(), 0u);

  EXPECT_EQ(io.ReadMem32(window + kBoardBarSize), 0xFFFFFFFFu) << "the next device's BAR";
  io.WriteMem32(window + kBoardBarSize, 0);
  EXPECT_EQ(io.ReadMem8(window + eeprom::kWindowLength - 1), 0xFF);
  EXPECT_EQ(device.InvalidAccesses(), 3u);
  EXPECT_EQ(FileByte(m.dir.File("mem"), kNextBar), 0x78);
  EXPECT_EQ(FileByte(m.tree.File(kNic, "resource1"), 0), 0x78);
  io.UnmapPhysicalMemory(window);
  EXPECT_TRUE(ui.Lines().empty());
}

TEST_P(MapClip, AMapGetsThePartOfItsRangeThatTheBarItStartsInHolds) {
  const bool sysfs = GetParam().sysfs;
  struct Case {
    const char* what;
    std::uint32_t physical, length;
    std::uint32_t sysfsMapped, rawMapped;  // 0: refused
  } cases[] = {
      {"inside the BAR", kBar + 0x1000, 0x100, 0x100, 0x100},
      {"straddling the BAR's end", kBar + 0x3000, 0x2000, 0x1000, 0x1000},
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
    const std::uint32_t mapped = sysfs ? c.sysfsMapped : c.rawMapped;
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
    const std::uint32_t last = c.physical + mapped - 1;
    const std::uint64_t invalid = device.InvalidAccesses();
    EXPECT_EQ(io.ReadMem8(token + mapped - 1), Pattern(last));
    const std::string expected = PatternBytes(last - 3, 4);
    EXPECT_EQ(io.ReadMem32(token + mapped - 4),
              le::Get32(reinterpret_cast<const std::uint8_t*>(expected.data())));
    EXPECT_EQ(device.InvalidAccesses(), invalid);

    // Past the mapped part: refused, and whatever lies there stays as it was.
    const auto [file, at] = m.Backing(sysfs, c.physical + mapped);
    const bool beyondExists = sysfs ? c.physical + mapped < kBar + kBarSize || c.physical + mapped == kNicBar
                                    : c.physical + mapped < kMemorySize;
    const std::uint8_t before = beyondExists ? FileByte(file, at) : 0;
    EXPECT_EQ(io.ReadMem8(token + mapped), 0xFF);
    io.WriteMem8(token + mapped, static_cast<std::uint8_t>(~before));
    io.WriteMem32(token + mapped, 0);
    EXPECT_EQ(device.InvalidAccesses(), invalid + 3);
    if (beyondExists) {
      EXPECT_EQ(FileByte(file, at), before);
    }
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
            GetParam().sysfs ? "no memory BAR of a display device holds 0x0000A000"
                             : m.dir.File("devices") + " cannot be read: No such file or directory");
  if (GetParam().sysfs) return;
  m.dir.Write("devices", ProcPciLine("0100", 0x10DE0191, {{0, kBar, kBarSize}}));
  io.MapPhysicalMemory(kNowhere, 0x100, token);
  EXPECT_EQ(device.MapProblem(), "no memory BAR in " + m.dir.File("devices") + " holds 0x0000A000");
  io.MapPhysicalMemory(kBar, 0x100, token);
  EXPECT_NE(token, 0u) << "the list is read again at every map";
}

const auto kRoads = ::testing::Values(Road{"sysfs", true}, Road{"raw", false});
std::string RoadName(const ::testing::TestParamInfo<Road>& road) { return road.param.name; }
INSTANTIATE_TEST_SUITE_P(Roads, MapClip, kRoads, RoadName);
INSTANTIATE_TEST_SUITE_P(Roads, ProgramWindow, kRoads, RoadName);

}  // namespace
}  // namespace rz::test
