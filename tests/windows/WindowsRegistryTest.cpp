// SPDX-License-Identifier: GPL-3.0-or-later
// The display-driver version walk and the gate on the real registry, over keys the tests add below
// Enum\PCI and Control\Class; and the registry seam's own answers for each kind of value.
#include <gtest/gtest.h>

#include <ostream>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "RegistryScene.h"
#include "backends/windows/WindowsRegistry.h"
#include "backends/windows/WindowsSystem.h"
#include "base/BuildConfig.h"
#include "commands/DriverGate.h"
#include "host/windows/Win32.h"
#include "support/ScriptedUi.h"

namespace rz::test {
namespace {

using commands::kControlClassKey;
using commands::kEnumPciKey;

// A class key of the tests' own, so that no real driver's key is touched.
constexpr const char* kTestClass = "{5e0c7a13-52f1-4c1e-9d57-7a3c0ffee001}";

std::string HardwareName(std::uint16_t vendor, std::uint16_t device, std::uint16_t subsystem,
                         std::uint16_t subsystemVendor, std::uint8_t revision,
                         bool lowerCase = false) {
  char name[64];
  std::snprintf(name, sizeof name,
                lowerCase ? "VEN_%04x&DEV_%04x&SUBSYS_%04x%04x&REV_%02x"
                          : "VEN_%04X&DEV_%04X&SUBSYS_%04X%04X&REV_%02X",
                vendor, device, subsystem, subsystemVendor, revision);
  return name;
}

// The first gated board: vendor 0x1002, device 0x9442, the maker's subsystem vendor, 0x21B8.
std::string Gated(std::uint8_t revision = 0, bool lowerCase = false) {
  return HardwareName(0x1002, 0x9442, commands::kGatedSubsystemIdFirst, kMakerSubsystemVendorId,
                      revision, lowerCase);
}

hw::PciAdapter GatedAdapter() {
  hw::PciAdapter a;
  a.ids = commands::kGatedIds;
  a.subsystemIds = (std::uint32_t{commands::kGatedSubsystemIdFirst} << 16) | kMakerSubsystemVendorId;
  return a;
}

std::string EnumKey(const std::string& name) { return std::string(kEnumPciKey) + "\\" + name; }
std::string ClassKey() { return std::string(kControlClassKey) + "\\" + kTestClass; }
std::string ClassDriver(const std::string& instance) { return std::string(kTestClass) + "\\" + instance; }

struct Instance {
  std::string name;
  std::optional<std::string> classInstance;  // the "Driver" value's class instance; none: no value
};
struct HardwareKey {
  std::string name;
  std::vector<Instance> instances;
};
struct ClassInstance {
  std::string name;
  std::optional<std::string> version;  // none: the key has no "DriverVersion"
};

struct WalkCase {
  const char* name;
  std::vector<HardwareKey> hardware;
  std::vector<ClassInstance> classes;
  std::string before;    // the version an earlier check found
  std::string expected;  // after the walk
};

// Test names show the case by its name.
void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

// Builds the keys of a case; they go again with the scene.
std::unique_ptr<RegistryScene> BuildScene(const std::vector<HardwareKey>& hardware,
                                          const std::vector<ClassInstance>& classes) {
  std::vector<std::string> owned{ClassKey()};
  for (const auto& h : hardware) owned.push_back(EnumKey(h.name));
  auto scene = std::make_unique<RegistryScene>(owned);
  for (const auto& h : hardware) {
    for (const auto& i : h.instances) {
      const std::string key = EnumKey(h.name) + "\\" + i.name;
      EXPECT_TRUE(scene->AddKey(key)) << key;
      scene->SetString(key, "Class", "Display");
      if (i.classInstance) {
        EXPECT_TRUE(scene->SetString(key, "Driver", ClassDriver(*i.classInstance)));
      }
    }
  }
  for (const auto& c : classes) {
    const std::string key = ClassKey() + "\\" + c.name;
    EXPECT_TRUE(scene->AddKey(key)) << key;
    if (c.version) {
      EXPECT_TRUE(scene->SetString(key, "DriverVersion", *c.version));
    }
  }
  return scene;
}

class RegistryWalkOnMachine : public ::testing::TestWithParam<WalkCase> {};

// Instances and hardware ids are enumerated in the order of their names (the registry keeps
// subkeys sorted), so "the last one" below is the last by name.
TEST_P(RegistryWalkOnMachine, FindsTheVersionOfTheLastMatchingInstance) {
  const WalkCase& c = GetParam();
  const auto scene = BuildScene(c.hardware, c.classes);
  platform::WindowsRegistry registry;
  platform::WindowsSystem system;
  commands::DriverGateState state;
  state.driverVersion = c.before;
  std::uint32_t osVersion = 0;
  commands::ReadDisplayDriverVersion(registry, system, osVersion, GatedAdapter(), state);
  EXPECT_EQ(state.driverVersion, c.expected);
  EXPECT_EQ(osVersion, system.GetOSVer());
}

INSTANTIATE_TEST_SUITE_P(
    Walks, RegistryWalkOnMachine,
    ::testing::Values(
        WalkCase{"OneMatchingInstance",
                 {{Gated(), {{"0001", "0000"}}}},
                 {{"0000", "8.61.0.0"}},
                 "",
                 "8.61.0.0"},
        WalkCase{"OtherHardwareIdsAreSkipped",
                 {{HardwareName(0x1002, 0x9442, 0x21B9, kMakerSubsystemVendorId, 0), {{"0001", "0001"}}},
                  {HardwareName(0x1002, 0x9442, 0x21B8, 0x1043, 0), {{"0001", "0002"}}},
                  {HardwareName(0x10DE, 0x9442, 0x21B8, kMakerSubsystemVendorId, 0), {{"0001", "0003"}}},
                  {HardwareName(0x1002, 0x9443, 0x21B8, kMakerSubsystemVendorId, 0), {{"0001", "0004"}}},
                  {Gated(), {{"0001", "0000"}}}},
                 {{"0000", "8.542.0.0"},
                  {"0001", "1.1.0.0"},
                  {"0002", "1.2.0.0"},
                  {"0003", "1.3.0.0"},
                  {"0004", "1.4.0.0"}},
                 "",
                 "8.542.0.0"},
        WalkCase{"LastInstanceWinsAcrossRevisions",
                 {{Gated(0), {{"0001", "0000"}, {"0002", "0001"}}},
                  {Gated(1), {{"0001", "0002"}}}},
                 {{"0000", "8.61.0.0"}, {"0001", "8.70.0.0"}, {"0002", "9.1.0.0"}},
                 "",
                 "9.1.0.0"},
        WalkCase{"InstanceWithoutDriverValueIsSkipped",
                 {{Gated(), {{"0001", "0000"}, {"0002", std::nullopt}}}},
                 {{"0000", "8.61.0.0"}},
                 "",
                 "8.61.0.0"},
        WalkCase{"LowerCaseDigitsMatch",
                 {{Gated(0, true), {{"0001", "0000"}}}},
                 {{"0000", "8.600.0.0"}},
                 "",
                 "8.600.0.0"},
        WalkCase{"ClassKeyWithoutVersionStoresEmptyText",
                 {{Gated(), {{"0001", "0000"}}}},
                 {{"0000", std::nullopt}},
                 "8.61.0.0",
                 ""},
        WalkCase{"MissingClassKeyKeepsTheEarlierVersion",
                 {{Gated(), {{"0001", "0007"}}}},
                 {},
                 "7.0.0.0",
                 "7.0.0.0"},
        WalkCase{"NoMatchKeepsTheEarlierVersion",
                 {{HardwareName(0x1002, 0x9442, 0x21B4, kMakerSubsystemVendorId, 0), {{"0001", "0000"}}}},
                 {{"0000", "9.9.0.0"}},
                 "7.0.0.0",
                 "7.0.0.0"}),
    [](const auto& p) { return std::string(p.param.name); });

struct GateCase {
  const char* name;
  std::optional<std::string> installed;  // none: the class key has no "DriverVersion"
  bool passes;
};

// Test names show the case by its name.
void PrintTo(const GateCase& c, std::ostream* os) { *os << c.name; }

class DriverGateOnMachine : public ::testing::TestWithParam<GateCase> {};

// Versions are compared part by part as numbers.
TEST_P(DriverGateOnMachine, RefusesOnlyAnOlderDriver) {
  const GateCase& c = GetParam();
  const auto scene = BuildScene({{Gated(), {{"0001", "0000"}}}}, {{"0000", c.installed}});
  platform::WindowsRegistry registry;
  platform::WindowsSystem system;
  commands::DriverGateState state;
  ui::ScriptedUi ui;
  std::uint32_t osVersion = 0;
  EXPECT_EQ(commands::PassDriverGate(registry, system, osVersion, GatedAdapter(), state, ui),
            c.passes);
  const auto messages = ui.Messages();
  EXPECT_EQ(messages.size(), c.passes ? 0u : 1u);
  if (!c.passes && !messages.empty()) {
    EXPECT_EQ(messages[0], commands::kDriverTooOldText);
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, DriverGateOnMachine,
                         ::testing::Values(GateCase{"Equal", "8.542.0.0", true},
                                           GateCase{"SmallerMinorNumber", "8.61.0.0", false},
                                           GateCase{"NextMajor", "9.0.0.0", true},
                                           GateCase{"TwoDigitMajor", "10.1.0.0", true},
                                           GateCase{"OlderMinor", "8.54.0.0", false},
                                           GateCase{"OlderBuild", "8.541.99.0", false},
                                           GateCase{"NoVersion", std::nullopt, false}),
                         [](const auto& p) { return std::string(p.param.name); });

// The seam itself on each kind of value.
constexpr const char* kValuesKey = "SOFTWARE\\rzflash-tests\\values";

struct ValueCase {
  const char* name;
  std::uint32_t type;
  std::string stored;  // the bytes as the registry keeps them
  std::string read;
};

// Test names show the case by its name.
void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

class RegistryValuesOnMachine : public ::testing::TestWithParam<ValueCase> {};

TEST_P(RegistryValuesOnMachine, ReadsStringValuesOnly) {
  const ValueCase& c = GetParam();
  RegistryScene scene({"SOFTWARE\\rzflash-tests"});
  ASSERT_TRUE(scene.SetBytes(kValuesKey, "Value", c.type, c.stored));
  platform::WindowsRegistry registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly(kValuesKey));
  EXPECT_TRUE(registry.ValueExists("Value"));
  EXPECT_EQ(registry.ReadString("Value"), c.read);
  EXPECT_FALSE(registry.ValueExists("Missing"));
  EXPECT_EQ(registry.ReadString("Missing"), "");
  registry.CloseKey();
  EXPECT_FALSE(registry.ValueExists("Value")) << "no key is open";
}

const std::string kLong(3000, 'v');

INSTANTIATE_TEST_SUITE_P(
    Kinds, RegistryValuesOnMachine,
    ::testing::Values(
        ValueCase{"Text", REG_SZ, std::string("8.542.0.0\0", 10), "8.542.0.0"},
        ValueCase{"TextWithoutItsZero", REG_SZ, "8.542.0.0", "8.542.0.0"},
        ValueCase{"EmptyText", REG_SZ, std::string("\0", 1), ""},
        ValueCase{"LongText", REG_SZ, kLong + '\0', kLong},
        ValueCase{"UnexpandedText", REG_EXPAND_SZ, std::string("%SystemRoot%\\x\0", 15),
                  "%SystemRoot%\\x"},
        ValueCase{"Number", REG_DWORD, std::string("\x01\x02\x03\x04", 4), ""},
        ValueCase{"TextList", REG_MULTI_SZ, std::string("a\0b\0\0", 5), ""},
        ValueCase{"Bytes", REG_BINARY, "8.542.0.0", ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(RegistryKeysOnMachine, ListsEverySubkeyInOrderAndOpensNothingMissing) {
  RegistryScene scene({"SOFTWARE\\rzflash-tests"});
  std::vector<std::string> made;
  for (int i = 0; i < 40; ++i) {
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%03d", i);
    // Names of many lengths, all longer than the short ones the walk usually meets.
    made.push_back(prefix + std::string(static_cast<std::size_t>(60 + 3 * i), 'k'));
    ASSERT_TRUE(scene.AddKey(std::string("SOFTWARE\\rzflash-tests\\keys\\") + made.back()));
  }
  platform::WindowsRegistry registry;
  EXPECT_TRUE(registry.GetKeyNames().empty()) << "no key is open";
  ASSERT_TRUE(registry.OpenKey("SOFTWARE\\rzflash-tests\\keys"));
  EXPECT_EQ(registry.GetKeyNames(), made);
  EXPECT_FALSE(registry.OpenKey("SOFTWARE\\rzflash-tests\\no-such-key"));
  EXPECT_TRUE(registry.GetKeyNames().empty()) << "a failed open closes the key open before";
  EXPECT_FALSE(RegistryScene::KeyExists("SOFTWARE\\rzflash-tests\\no-such-key"))
      << "opening never creates";
}

}  // namespace
}  // namespace rz::test
