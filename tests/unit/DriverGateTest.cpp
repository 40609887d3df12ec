// SPDX-License-Identifier: GPL-3.0-or-later
// Hardware-id parsing, the registry walk for the display driver's version, and the gate itself.
#include <gtest/gtest.h>

#include "base/BuildConfig.h"
#include "commands/DriverGate.h"
#include "support/SimHarness.h"

namespace rz::commands {
void PrintTo(const HardwareId& h, std::ostream* os) {
  *os << std::hex << h.vendorId << "/" << h.deviceId << "/" << h.subsystemId << "/"
      << h.subsystemVendorId << "/" << h.revisionId;
}
}  // namespace rz::commands

namespace rz::test {
namespace {

using commands::HardwareId;
using nlohmann::json;

TEST(ParseHardwareId, FillsFieldsInOrderAndStopsQuietlyAtTheFirstBadField) {
  const HardwareId before{0x1111, 0x2222, 0x3333, 0x4444, 0x55};
  struct Case {
    const char* name;
    HardwareId expected;
  } cases[] = {
      {"VEN_1002&DEV_9442&SUBSYS_21B81E5A&REV_00", {0x1002, 0x9442, 0x21B8, 0x1E5A, 0x00}},
      {"VEN_10de&DEV_0191&SUBSYS_34c81e5a&REV_a2", {0x10DE, 0x0191, 0x34C8, 0x1E5A, 0xA2}},
      // No "REV_": the revision is taken from position 4, the "_" of "VEN_": it stays.
      {"VEN_1002&DEV_9442&SUBSYS_21B81E5A", {0x1002, 0x9442, 0x21B8, 0x1E5A, 0x55}},
      // No "DEV_": position 4 again; the device and everything after it stay.
      {"VEN_1002&SUBSYS_21B81E5A&REV_00", {0x1002, 0x2222, 0x3333, 0x4444, 0x55}},
      // No search text at all: positions 4, 4, 7 and 11; the last has nothing left to take.
      {"ABC1234", {0x1234, 0x1234, 0x0004, 0x4444, 0x55}},
      // Non-hexadecimal characters in the subsystem vendor id: it and the revision stay.
      {"VEN_1002&DEV_9442&SUBSYS_21B8XY5A&REV_00", {0x1002, 0x9442, 0x21B8, 0x4444, 0x55}},
      // A name that ends early: fewer characters convert, nothing left fails.
      {"VEN_10", {0x0010, 0x2222, 0x3333, 0x4444, 0x55}},
      {"VEN", {0x1111, 0x2222, 0x3333, 0x4444, 0x55}},
      {"", {0x1111, 0x2222, 0x3333, 0x4444, 0x55}},
  };
  for (const auto& c : cases) {
    HardwareId id = before;
    commands::ParseHardwareId(c.name, id);
    EXPECT_EQ(id, c.expected) << c.name;
  }
}

TEST(ParseHardwareId, LaterFieldsKeepTheValuesOfThePreviousName) {
  HardwareId id;
  commands::ParseHardwareId("VEN_1002&DEV_9442&SUBSYS_21B81E5A&REV_07", id);
  commands::ParseHardwareId("VEN_10DE&DEV_zzzz&SUBSYS_00000000&REV_00", id);
  EXPECT_EQ(id, (HardwareId{0x10DE, 0x9442, 0x21B8, 0x1E5A, 0x07}));
}

TEST(DriverVersionBefore, ComparesDottedPartsAsNumbers) {
  struct Case {
    const char* version;
    bool before;
  } cases[] = {
      {"8.542.0.0", false}, {"9.0.0.0", false},    {"10.1.0.0", false},
      {"8.542", false},     {"08.542.0.0", false}, {"8.542.0.1", false},
      {"8.600.0.0", false}, {"123456789012345678901234567890.0", false},
      // 61 is less than 542: as numbers 8.61 is the older version.
      {"8.61.0.0", true},   {"8.54.0.0", true},    {"8.541.99.99", true}, {"7.999", true},
      {"", true},           {"8..542", true},     {"8.542.", true},
      {" 8.542.0.0", true}, {"8.542.0.0-k", true}, {"v9", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(commands::DriverVersionBefore(c.version, commands::kMinDriverVersion), c.before)
        << '"' << c.version << '"';
}

hw::PciAdapter Card(std::uint32_t ids, std::uint16_t subsystemId,
                    std::uint16_t subsystemVendor = kMakerSubsystemVendorId) {
  hw::PciAdapter a;
  a.ids = ids;
  a.subsystemIds = subsystemVendor | (std::uint32_t{subsystemId} << 16);
  return a;
}

constexpr const char* kEnum = "SYSTEM\\CurrentControlSet\\Enum\\PCI\\";
constexpr const char* kClass = "SYSTEM\\CurrentControlSet\\Control\\Class\\";

struct RegistryWalk : ::testing::Test {
  RegistryWalk() : h(json{{"os_version", 0x20010064}}) {}
  void Instance(const std::string& hwid, const std::string& instance, const char* driver) {
    if (driver)
      reg().Set(kEnum + hwid + "\\" + instance, "Driver", driver);
    else
      reg().Set(kEnum + hwid + "\\" + instance);
  }
  void ClassKey(const std::string& driver, const char* version) {
    if (version)
      reg().Set(kClass + driver, "DriverVersion", version);
    else
      reg().Set(kClass + driver);
  }
  sim::EmulatedRegistry& reg() { return h.platform->Registry(); }
  void Walk() {
    commands::ReadDisplayDriverVersion(reg(), h.platform->System(), osVersion, card, state);
  }
  SimHarness h;
  hw::PciAdapter card = Card(0x94421002, 0x21B8);
  commands::DriverGateState state;
  std::uint32_t osVersion = 0;
};

TEST_F(RegistryWalk, LastMatchingInstanceWinsAndEveryNameIsVisited) {
  Instance("VEN_1002&DEV_9442&SUBSYS_21B81E5A&REV_00", "a", "{d}\\0000");
  Instance("VEN_1002&DEV_9442&SUBSYS_21B81E5A&REV_00", "b", "{d}\\0001");
  Instance("ven_1002&dev_9442&subsys_21b81e5a&rev_01", "c", "{d}\\0002");
  Instance("VEN_10DE&DEV_0191&SUBSYS_34C81E5A&REV_A2", "d", "{d}\\0003");
  ClassKey("{d}\\0000", "8.100.0.0");
  ClassKey("{d}\\0001", "8.200.0.0");
  ClassKey("{d}\\0002", "8.600.0.0");
  ClassKey("{d}\\0003", "9.9.9.9");
  Walk();
  EXPECT_EQ(state.driverVersion, "8.600.0.0");
  // The walk parsed the last, non-matching name as well.
  EXPECT_EQ(state.hardwareId, (HardwareId{0x10DE, 0x0191, 0x34C8, 0x1E5A, 0xA2}));
  EXPECT_EQ(osVersion, 0x20010064u);
}

TEST_F(RegistryWalk, InstancesWithoutDriverOrClassKeyKeepTheVersionFoundBefore) {
  const std::string hwid = "VEN_1002&DEV_9442&SUBSYS_21B81E5A&REV_00";
  Instance(hwid, "a", "{d}\\0000");
  Instance(hwid, "b", nullptr);          // no "Driver" value
  Instance(hwid, "c", "{d}\\missing");  // class key absent
  ClassKey("{d}\\0000", "8.600.0.0");
  Walk();
  EXPECT_EQ(state.driverVersion, "8.600.0.0");
}

TEST_F(RegistryWalk, ClassKeyWithoutVersionStoresEmptyText) {
  Instance("VEN_1002&DEV_9442&SUBSYS_21B81E5A&REV_00", "a", "{d}\\0000");
  ClassKey("{d}\\0000", nullptr);
  state.driverVersion = "8.600.0.0";
  Walk();
  EXPECT_EQ(state.driverVersion, "");
}

TEST_F(RegistryWalk, OtherSubsystemVendorOrMissingTreeLeavesTheVersion) {
  Instance("VEN_1002&DEV_9442&SUBSYS_21B81043&REV_00", "a", "{d}\\0000");
  ClassKey("{d}\\0000", "8.600.0.0");
  state.driverVersion = "old";
  Walk();
  EXPECT_EQ(state.driverVersion, "old");

  SimHarness empty(json::object());
  commands::ReadDisplayDriverVersion(empty.platform->Registry(), empty.platform->System(),
                                     osVersion, card, state);
  EXPECT_EQ(state.driverVersion, "old");
}

// The gate over the registry the emulated machine builds from its scenario.
TEST(DriverGate, RefusesOldOrUnknownDriversOnTheTwoModelsOnly) {
  struct Version {
    std::optional<const char*> text;  // nullopt: the scenario names no driver version
    bool refused;
  } versions[] = {{"8.542.0.0", false}, {"8.61.0.0", true},  {"9.0.0.0", false},
                  {"10.1.0.0", false},  {"8.54.0.0", true},  {"", true},
                  {std::nullopt, true}};
  const std::uint16_t subsystems[] = {0x21B8, 0x21B4, 0x21B0};
  for (const std::uint16_t subsystem : subsystems) {
    for (const auto& v : versions) {
      json adapter = Adapter(1, 0, 0x1002, 0x9442);
      adapter["subsystem_id"] = subsystem;
      json scenario{{"adapters", json::array({adapter})}};
      if (v.text) scenario["display_driver_version"] = *v.text;
      SimHarness h(scenario);
      commands::DriverGateState state;
      std::uint32_t osVersion = 0;
      const bool gated = subsystem != 0x21B0;
      const bool pass =
          commands::PassDriverGate(h.platform->Registry(), h.platform->System(), osVersion,
                                   Card(0x94421002, subsystem), state, h.ui);
      const std::string what = std::to_string(subsystem) + " " + v.text.value_or("(none)");
      EXPECT_EQ(pass, !(gated && v.refused)) << what;
      if (pass) {
        EXPECT_TRUE(h.ui.Lines().empty()) << what;
      } else {
        EXPECT_EQ(h.ui.Lines(),
                  std::vector<std::string>{"dialog: Please update Display driver more than "
                                           "8.542.0.0 !!!"})
            << what;
      }
      if (gated && v.text) {
        EXPECT_EQ(state.driverVersion, *v.text) << what;
      }
    }
  }
}

TEST(DriverGate, ModelNeedsAllIdsIncludingTheMakersSubsystemVendor) {
  EXPECT_TRUE(commands::IsDriverGatedModel(Card(0x94421002, 0x21B8)));
  EXPECT_TRUE(commands::IsDriverGatedModel(Card(0x94421002, 0x21B4)));
  EXPECT_FALSE(commands::IsDriverGatedModel(Card(0x94421002, 0x21B8, 0x1043)));
  EXPECT_FALSE(commands::IsDriverGatedModel(Card(0x94431002, 0x21B8)));
  EXPECT_FALSE(commands::IsDriverGatedModel(Card(0x944210DE, 0x21B8)));
  EXPECT_FALSE(commands::IsDriverGatedModel(hw::PciAdapter{}));
}

}  // namespace
}  // namespace rz::test
