// SPDX-License-Identifier: GPL-3.0-or-later
// The sysfs-backed registry on a fake sysfs tree, and the driver-version walk over it.
#ifdef __linux__
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "backends/linux/LinuxRegistry.h"
#include "base/BuildConfig.h"
#include "commands/DriverGate.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;

struct FakeSysfs {
  void Device(const std::string& address, const char* cls, const char* vendor, const char* device,
              const char* subVendor, const char* subDevice, const char* rev, const char* module) {
    const fs::path d = dir.Path() / "bus/pci/devices" / address;
    fs::create_directories(d);
    const std::pair<const char*, const char*> attrs[] = {
        {"class", cls},        {"vendor", vendor},          {"device", device},
        {"subsystem_vendor", subVendor}, {"subsystem_device", subDevice}, {"revision", rev}};
    for (const auto& [name, value] : attrs) std::ofstream(d / name) << value << "\n";
    if (module) {
      const fs::path drv = dir.Path() / "bus/pci/drivers" / module;
      fs::create_directories(drv);
      fs::create_directories(dir.Path() / "module" / module);
      std::error_code ec;
      fs::create_directory_symlink(dir.Path() / "module" / module, drv / "module", ec);
      fs::create_directory_symlink(drv, d / "driver", ec);
    }
  }
  void ModuleVersion(const char* module, const char* version) {
    std::ofstream(dir.Path() / "module" / module / "version") << version << "\n";
  }
  TempDir dir;
};

TEST(LinuxRegistry, PresentsDisplayAdaptersWithTheirDriversModuleVersion) {
  FakeSysfs sys;
  sys.Device("0000:03:00.0", "0x030000", "0x1002", "0x9442", "0x1e5a", "0x21b8", "0x00", "radeon");
  sys.Device("0000:00:1f.6", "0x020000", "0x8086", "0x15bc", "0x17aa", "0x2292", "0x10", "e1000e");
  sys.Device("0000:01:00.0", "0x030200", "0x10de", "0x0191", "0x1e5a", "0x34c8", "0xa2", nullptr);
  sys.Device("0000:04:00.0", "0x030000", "0x1002", "0x9442", "0x1e5a", "0x21b8", "0x00", "radeon");
  sys.ModuleVersion("radeon", "8.600.0.0");
  sys.ModuleVersion("e1000e", "3.2.6-k");
  platform::LinuxRegistry reg(sys.dir.Path().string());

  ASSERT_TRUE(reg.OpenKey("SYSTEM\\CurrentControlSet\\Enum\\PCI"));
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{
                                   "VEN_10DE&DEV_0191&SUBSYS_34C81E5A&REV_A2",
                                   "VEN_1002&DEV_9442&SUBSYS_21B81E5A&REV_00"}));
  ASSERT_TRUE(reg.OpenKeyReadOnly(
      "SYSTEM\\CurrentControlSet\\Enum\\PCI\\ven_1002&dev_9442&subsys_21b81e5a&rev_00"));
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"0000:03:00.0", "0000:04:00.0"}));
  ASSERT_TRUE(reg.OpenKeyReadOnly(
      "SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_10DE&DEV_0191&SUBSYS_34C81E5A&REV_A2\\0000:01:00.0"));
  ASSERT_TRUE(reg.ValueExists("Driver"));
  const std::string driver = reg.ReadString("Driver");
  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKeyReadOnly("SYSTEM\\CurrentControlSet\\Control\\Class\\" + driver));
  EXPECT_FALSE(reg.ValueExists("DriverVersion")) << "no driver bound";
  EXPECT_EQ(reg.ReadString("DriverVersion"), "");
  EXPECT_FALSE(reg.OpenKey("SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_8086&DEV_15BC"));
  EXPECT_TRUE(reg.GetKeyNames().empty()) << "a failed open leaves no key open";

  SimHarness h(nlohmann::json::object());
  hw::PciAdapter card;
  card.ids = 0x94421002;
  card.subsystemIds = 0x21B80000u | kMakerSubsystemVendorId;
  commands::DriverGateState state;
  std::uint32_t osVersion = 0;
  commands::ReadDisplayDriverVersion(reg, h.platform->System(), osVersion, card, state);
  EXPECT_EQ(state.driverVersion, "8.600.0.0");
}

TEST(LinuxRegistry, EmptyOrMissingTreeHasAnEmptyAdapterList) {
  TempDir dir;
  platform::LinuxRegistry reg((dir.Path() / "nothing").string());
  ASSERT_TRUE(reg.OpenKey("SYSTEM\\CurrentControlSet\\Enum\\PCI"));
  EXPECT_TRUE(reg.GetKeyNames().empty());
}

}  // namespace
}  // namespace rz::test
#endif
