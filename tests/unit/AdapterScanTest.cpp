// SPDX-License-Identifier: GPL-3.0-or-later
// The display-adapter scan and the NVIDIA adapter test on the emulated bus.
#include <gtest/gtest.h>

#include "base/BuildConfig.h"
#include "hw/AdapterScan.h"
#include "hw/PciConfig.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;

struct Scanned {
  explicit Scanned(json adapters) : h(json{{"adapters", std::move(adapters)}}) {
    ok = h.program->driver.OpenDriver();
    before = h.Machine().Counters().portRequests;
    hw::ScanDisplayAdapters(h.program->io, list);
    requests = h.Machine().Counters().portRequests - before;
  }
  SimHarness h;
  bool ok = false;
  std::uint64_t before = 0;
  std::uint64_t requests = 0;
  hw::AdapterList list;
};

struct FilterCase {
  const char* what;
  json changes;  // applied to a maker NVIDIA board with PCI Express
  bool listed;
};

class AdapterFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(AdapterFilter, ListsOnlyVgaBoardsOfTheMakerOrAtiWithAgpOrPciExpress) {
  json a = Adapter(1, 0, 0x10DE, 0x0191);
  a.update(GetParam().changes);
  Scanned s(json::array({a}));
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.list.count, GetParam().listed ? 1u : 0u) << GetParam().what;
  EXPECT_EQ(s.h.ui.Events().size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Scan, AdapterFilter,
    ::testing::Values(
        FilterCase{"maker board", json::object(), true},
        FilterCase{"ATI subsystem vendor", {{"subsystem_vendor_id", 0x1002}}, true},
        FilterCase{"ATI chip on an ATI board", {{"vendor_id", 0x1002}, {"subsystem_vendor_id", 0x1002}}, true},
        FilterCase{"other board maker", {{"subsystem_vendor_id", 0x1043}}, false},
        FilterCase{"NVIDIA's own board", {{"subsystem_vendor_id", 0x10DE}}, false},
        FilterCase{"revision ignored", {{"revision", 0xA1}}, true},
        FilterCase{"programming interface 1", {{"class", 0x030001}}, false},
        FilterCase{"3D controller subclass", {{"class", 0x030200}}, false},
        FilterCase{"other display subclass", {{"class", 0x038000}}, false},
        FilterCase{"not a display class", {{"class", 0x040000}}, false},
        FilterCase{"AGP after other capabilities", {{"capabilities", {"pm", "msi", "agp"}}}, true},
        FilterCase{"PCI Express last", {{"capabilities", {"pm", "vendor", "pcie"}}}, true},
        FilterCase{"plain PCI capabilities", {{"capabilities", {"pm", "msi"}}}, false},
        FilterCase{"no capability list", {{"capabilities", json::array()}}, false},
        FilterCase{"no capability list on an ATI chip (vendor id 0x1002 is no AGP header)",
                   {{"vendor_id", 0x1002}, {"capabilities", json::array()}}, false},
        FilterCase{"looping capability list", {{"capabilities", {"pm", "msi"}}, {"looping_capabilities", true}},
                   false},
        FilterCase{"looping list that holds PCI Express", {{"capabilities", {"pm", "pcie"}}, {"looping_capabilities", true}},
                   true}),
    [](const ::testing::TestParamInfo<FilterCase>& param) {
      return "Case" + std::to_string(param.index);
    });

TEST(AdapterScan, ListsInBusThenDeviceOrderWithTheirIds) {
  json a = json::array({Adapter(3, 5, 0x10DE, 0x0403), Adapter(1, 7, 0x10DE, 0x0402),
                        Adapter(1, 2, 0x1002, 0x7100), Adapter(0, 31, 0x10DE, 0x0401)});
  a[2]["subsystem_vendor_id"] = 0x1002;
  a[2]["subsystem_id"] = 0x0B12;
  Scanned s(a);
  ASSERT_EQ(s.list.count, 4u);
  const std::pair<int, int> order[] = {{0, 31}, {1, 2}, {1, 7}, {3, 5}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(s.list.adapters[i].bus, order[i].first);
    EXPECT_EQ(s.list.adapters[i].device, order[i].second);
  }
  EXPECT_EQ(s.list.adapters[1].ids, 0x71001002u);
  EXPECT_EQ(s.list.adapters[1].subsystemIds, 0x0B121002u);
  EXPECT_EQ(s.list.adapters[0].SubsystemVendorId(), kMakerSubsystemVendorId);
}

TEST(AdapterScan, StopsAtTheTenthOfElevenAdapters) {
  json a = json::array();
  for (int d = 0; d < 11; ++d) a.push_back(Adapter(0, static_cast<std::uint8_t>(d), 0x10DE, 0x0400 + d));
  Scanned s(a);
  ASSERT_EQ(s.list.count, 10u);
  EXPECT_EQ(s.list.adapters[9].device, 9);
  // Five configuration reads (ids, class, subsystem, capability pointer, one capability) of two
  // requests each for ten adapters; nothing after the tenth.
  EXPECT_EQ(s.requests, 10u * 5u * 2u);
}

TEST(AdapterScan, FullScanReadsEverySlotOnceAndEachCapabilityVisited) {
  Scanned s(json::array({Adapter(4, 3, 0x10DE, 0x0191)}));
  ASSERT_EQ(s.list.count, 1u);
  EXPECT_EQ(s.requests, 2u * (256u * 32u - 1u) + 2u * 5u);
}

TEST(AdapterScan, LoopingCapabilityListIsCutAfterTheBound) {
  json a = Adapter(0, 0, 0x10DE, 0x0191);
  a["capabilities"] = {"pm", "msi", "vendor"};
  a["looping_capabilities"] = true;
  Scanned s(json::array({a}));
  EXPECT_EQ(s.list.count, 0u);
  EXPECT_EQ(s.requests, 2u * (256u * 32u - 1u) + 2u * (4u + hw::kMaxCapabilities));
}

TEST(IsNvidiaVgaAdapter, AcceptsNvidiaClass0300WithAnyProgrammingInterface) {
  json a = json::array({Adapter(1, 0, 0x10DE, 0x0191), Adapter(1, 1, 0x10DE, 0x0192),
                        Adapter(1, 2, 0x10DE, 0x0193), Adapter(1, 3, 0x1002, 0x7100)});
  a[1]["class"] = 0x030001;
  a[2]["class"] = 0x038000;
  Scanned s(a);
  struct Case {
    std::uint8_t device;
    bool nvidia;
    std::uint16_t id;
  } cases[] = {{0, true, 0x0191}, {1, true, 0x0192}, {2, false, 0}, {3, false, 0}, {4, false, 0}};
  for (const auto& c : cases) {
    std::uint16_t id = 0;
    EXPECT_EQ(hw::IsNvidiaVgaAdapter(s.h.program->io, 1, c.device, id), c.nvidia) << int(c.device);
    EXPECT_EQ(id, c.id) << int(c.device);
  }
}

}  // namespace
}  // namespace rz::test
