// SPDX-License-Identifier: GPL-3.0-or-later
// The scan for cards that lost their subsystem ids, on the emulated bus.
#include <gtest/gtest.h>

#include <cctype>

#include "base/BuildConfig.h"
#include "hw/AdapterScan.h"
#include "hw/PciConfig.h"
#include "hw/RecoveryScan.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;

const hw::KnownDevice kListsG80 = [](std::uint16_t id) { return id == 0x0191; };

TEST(RecoveryScan, SubsystemIdsCountAsLostOnlyWhenZeroOrUnknown) {
  const std::uint32_t maker = kMakerSubsystemVendorId;
  const struct {
    std::uint32_t subsystemIds;  // subsystem id bits 16-31, vendor bits 0-15
    bool lost;
  } cases[] = {
      {0x00000000u, true},          {0xFFFFFFFFu, true},         {0x34C70000u, true},
      {0x0000FFFFu, true},          {maker, true},               {0xFFFF0000u | maker, true},
      {0x34C70000u | maker, false}, {0x00001002u, false},        {0x00001043u, false},
      {0x000010DEu, false},         {0x34C71002u, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(hw::SubsystemIdsLost(c.subsystemIds), c.lost) << std::hex << c.subsystemIds;
}

struct ScanCase {
  const char* what;
  json changes;  // applied to a G80 NVIDIA board (01:00) whose subsystem ids read 0000:0000
  bool needsRecovery;
};

class RecoveryFilter : public ::testing::TestWithParam<ScanCase> {};

TEST_P(RecoveryFilter, FindsNvidiaBoardsOfKnownChipsWithoutTheirIds) {
  json a = Adapter(1, 0, 0x10DE, 0x0191);
  a["subsystem_vendor_id"] = 0;
  a["subsystem_id"] = 0;
  a.update(GetParam().changes);
  SimHarness h(json{{"adapters", json::array({a})}});
  ASSERT_TRUE(h.program->driver.OpenDriver());
  hw::AdapterList list;
  hw::ScanAdaptersNeedingRecovery(h.program->io, kListsG80, list);
  ASSERT_EQ(list.count, GetParam().needsRecovery ? 1u : 0u) << GetParam().what;
  if (list.count == 1) {
    EXPECT_EQ(list.adapters[0].bus, 1);
    EXPECT_EQ(list.adapters[0].DeviceId(), 0x0191);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scan, RecoveryFilter,
    ::testing::Values(
        ScanCase{"ids read zero", json::object(), true},
        ScanCase{"ids read all ones", {{"subsystem_vendor_id", 0xFFFF}, {"subsystem_id", 0xFFFF}}, true},
        ScanCase{"maker vendor, id zero", {{"subsystem_vendor_id", "maker"}}, true},
        ScanCase{"maker vendor, id all ones", {{"subsystem_vendor_id", "maker"}, {"subsystem_id", 0xFFFF}}, true},
        ScanCase{"maker board with its ids", {{"subsystem_vendor_id", "maker"}, {"subsystem_id", 0x34C7}}, false},
        ScanCase{"other maker's board", {{"subsystem_vendor_id", 0x1043}, {"subsystem_id", 0x1234}}, false},
        ScanCase{"chip not in the configuration", {{"device_id", 0x0402}}, false},
        ScanCase{"ATI chip without ids", {{"vendor_id", 0x1002}, {"device_id", 0x9442}}, false},
        ScanCase{"other chip maker without ids", {{"vendor_id", 0x8086}}, false},
        ScanCase{"not a VGA display", {{"class", 0x038000}}, false},
        ScanCase{"3D controller", {{"class", 0x030200}}, false},
        ScanCase{"no AGP or PCI Express", {{"capabilities", {"pm", "msi"}}}, false}),
    [](const auto& param) {
      std::string name = param.param.what;
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

// Boards that need recovery are found beside the maker's whole boards, which the scan of the maker's
// adapters alone keeps listing; neither scan lists the other's.
TEST(RecoveryScan, KeepsApartFromTheAdapterScan) {
  json blank = Adapter(2, 0, 0x10DE, 0x0191);
  blank["subsystem_vendor_id"] = 0;
  blank["subsystem_id"] = 0;
  SimHarness h(json{{"adapters", json::array({Adapter(1, 0, 0x10DE, 0x0191), blank,
                                              Adapter(3, 0, 0x10DE, 0x0191)})}});
  ASSERT_TRUE(h.program->driver.OpenDriver());
  hw::AdapterList recover;
  hw::ScanAdaptersNeedingRecovery(h.program->io, kListsG80, recover);
  hw::AdapterList scan;
  hw::ScanDisplayAdapters(h.program->io, scan);
  ASSERT_EQ(recover.count, 1u);
  EXPECT_EQ(recover.adapters[0].bus, 2);
  ASSERT_EQ(scan.count, 2u);
  EXPECT_EQ(scan.adapters[0].bus, 1);
  EXPECT_EQ(scan.adapters[1].bus, 3);
  hw::AdapterList none;
  hw::ScanAdaptersNeedingRecovery(h.program->io, hw::KnownDevice{}, none);
  EXPECT_EQ(none.count, 0u) << "without RZFLASH.CFG no chip is known";
}

}  // namespace
}  // namespace rz::test
