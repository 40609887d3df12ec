// SPDX-License-Identifier: GPL-3.0-or-later
// Port requests and PCI configuration access on the emulated bus: the exact port sequences, the
// read-modify-write of a 16-bit register, and the failure messages of the driver requests.
#include <gtest/gtest.h>

#include "hw/PciConfig.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;
using sim::TraceEvent;
using sim::TraceKind;

TraceEvent Port(TraceKind kind, std::uint16_t port, std::uint32_t value) {
  TraceEvent e;
  e.kind = kind;
  e.address = port;
  e.value = value;
  e.width = 4;
  return e;
}

// The trace without time stamps, for comparison.
std::vector<TraceEvent> Untimed(const sim::BusTrace& trace) {
  std::vector<TraceEvent> out = trace.Events();
  for (auto& e : out) e.time = 0;
  return out;
}

class PciAccess : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.program->driver.OpenDriver());
    dev = h.platform->AdapterDevice(0);
    ASSERT_NE(dev, nullptr);
    h.Machine().Trace().Enable(true);
  }
  SimHarness h{json{{"adapters", json::array({Adapter(2, 5, 0x10DE, 0x0191)})}}};
  sim::PciDevice* dev = nullptr;
};

TEST_F(PciAccess, ConfigurationReadIsAddressWriteThenDataRead) {
  struct Case {
    std::uint8_t bus, device, offset;
    std::uint32_t address;
  } cases[] = {
      {2, 5, 0x00, 0x80022800u}, {2, 5, 0x2E, 0x8002282Cu}, {2, 5, 0xFF, 0x800228FCu},
      {0, 0, 0x08, 0x80000008u}, {255, 31, 0x34, 0x80FFF834u},
  };
  for (const auto& c : cases) {
    h.Machine().Trace().Clear();
    const std::uint32_t v = hw::ReadPciConfigDword(h.program->io, c.bus, c.device, c.offset);
    const std::uint32_t expected =
        (c.bus == 2 && c.device == 5) ? dev->ConfigRead(c.offset) : 0xFFFFFFFFu;
    EXPECT_EQ(v, expected);
    EXPECT_EQ(Untimed(h.Machine().Trace()),
              (std::vector<TraceEvent>{Port(TraceKind::PortWrite, 0xCF8, c.address),
                                       Port(TraceKind::PortRead, 0xCFC, expected)}))
        << "offset " << int(c.offset);
  }
}

TEST_F(PciAccess, WordReadTakesTheHalfSelectedByBitOne) {
  dev->SetConfigDword(0x2C, 0xBEEF1234u);
  EXPECT_EQ(hw::ReadPciConfigWord(h.program->io, 2, 5, 0x2C), 0x1234);
  EXPECT_EQ(hw::ReadPciConfigWord(h.program->io, 2, 5, 0x2E), 0xBEEF);
}

TEST_F(PciAccess, WordWriteWritesTheOtherHalfBackAsRead) {
  dev->SetConfigDword(0x04, 0x02B00006u);  // status 0x02B0, command 0x0006
  struct Case {
    std::uint8_t offset;
    std::uint16_t value;
    std::uint32_t written;
  } cases[] = {{0x04, 0x0002, 0x02B00002u}, {0x06, 0xABCD, 0xABCD0006u}};
  for (const auto& c : cases) {
    h.Machine().Trace().Clear();
    hw::WritePciConfigWord(h.program->io, 2, 5, c.offset, c.value);
    EXPECT_EQ(Untimed(h.Machine().Trace()),
              (std::vector<TraceEvent>{Port(TraceKind::PortWrite, 0xCF8, 0x80022804u),
                                       Port(TraceKind::PortRead, 0xCFC, 0x02B00006u),
                                       Port(TraceKind::PortWrite, 0xCF8, 0x80022804u),
                                       Port(TraceKind::PortWrite, 0xCFC, c.written)}));
    dev->SetConfigDword(0x04, 0x02B00006u);
  }
  hw::WritePciConfigWord(h.program->io, 2, 5, 0x04, 0x0002);
  EXPECT_EQ(dev->Command(), 0x0002);
  EXPECT_EQ(dev->Status(), 0x02B0);
}

TEST(DriverRequests, FailedPortRequestShowsItsMessageAndReadsZero) {
  SimHarness h(json{{"adapters", json::array({Adapter(1, 0, 0x10DE, 0x0191)})},
                    {"faults", {{"port_fail_after", 1}}}});
  ASSERT_TRUE(h.program->driver.OpenDriver());
  // The address write is the one request that succeeds; the data read fails.
  EXPECT_EQ(hw::ReadPciConfigDword(h.program->io, 1, 0, 0x00), 0u);
  h.program->io.WritePortDword(0xCF8, 0x80010000u);
  h.program->io.WritePortByte(0xEB, 0x55);
  EXPECT_EQ(h.ui.Lines(),
            std::vector<std::string>(3, "box \"\" ok none: DeviceIOControl Fail(IOCTL_ACCESS_PORT_DATA)"));
  EXPECT_EQ(h.Machine().Counters().failedRequests, 3u);
}

TEST(DriverRequests, ByteWriteWithoutOpenDeviceShowsTheDriverBoxAndSendsNothing) {
  SimHarness h(json{{"adapters", json::array({Adapter(1, 0, 0x10DE, 0x0191)})}});
  h.program->io.WritePortByte(0xEB, 0x55);
  ASSERT_EQ(h.ui.Events().size(), 1u);
  const auto& box = h.ui.Events()[0];
  EXPECT_EQ(box.kind, ui::EventKind::MessageBox);
  EXPECT_EQ(box.caption, "Write_Port_BYTE");
  EXPECT_EQ(box.text, "Failed to open ZPCIDrv WinNT driver");
  EXPECT_EQ(box.buttons, ui::Buttons::Ok);
  EXPECT_EQ(box.icon, ui::Icon::None);
  EXPECT_EQ(box.owner, ui::Owner::None);
  EXPECT_EQ(h.Machine().Counters().portRequests, 0u);

  // A dword read without a device sends its request, which fails, and reads 0.
  EXPECT_EQ(h.program->io.ReadPortDword(0xCFC), 0u);
  EXPECT_EQ(h.ui.Lines().back(), "box \"\" ok none: DeviceIOControl Fail(IOCTL_ACCESS_PORT_DATA)");
}

TEST(DriverRequests, MapAndUnmapFailuresLeaveANullAddressAndShowTheirBoxes) {
  SimHarness h(json{{"adapters", json::array({Adapter(1, 0, 0x10DE, 0x0191)})},
                    {"faults", {{"map_fail_after", 1}}}});
  ASSERT_TRUE(h.program->driver.OpenDriver());
  std::uint32_t linear = 0;
  h.program->io.MapPhysicalMemory(0xC0000000u, 0x1000, linear);
  EXPECT_NE(linear, 0u);
  EXPECT_TRUE(h.ui.Lines().empty());
  h.program->io.UnmapPhysicalMemory(linear);
  EXPECT_TRUE(h.ui.Lines().empty());
  EXPECT_EQ(h.Machine().LiveMappings(), 0u);

  std::uint32_t second = 0xDEAD;
  h.program->io.MapPhysicalMemory(0xC0000000u, 0x1000, second);
  EXPECT_EQ(second, 0u);
  h.program->io.UnmapPhysicalMemory(linear);  // already unmapped: the driver refuses
  EXPECT_EQ(h.ui.Lines(),
            (std::vector<std::string>{
                "box \"\" ok none: DeviceIOControl Fail(IOCTL_MAP_PHYS_TO_LINEAR)",
                "box \"\" ok none: DeviceIOControl Fail(IOCTL_UNMAP_PHYS_TO_LINEAR)"}));
}

TEST(DriverRequests, MappingsKeepWorkingWhenTheLinearSpaceIsUsedUp) {
  SimHarness h(json{{"adapters", json::array({Adapter(1, 0, 0x10DE, 0x0191)})}});
  ASSERT_TRUE(h.program->driver.OpenDriver());
  constexpr std::uint32_t kWindow = 0x2000000;
  std::uint32_t kept = 0;
  h.program->io.MapPhysicalMemory(0xC0000000u, kWindow, kept);
  ASSERT_NE(kept, 0u);
  std::uint32_t last = 0;
  bool wrapped = false;
  for (int i = 0; i < 200; ++i) {  // far more than the 32-bit space holds at once
    std::uint32_t linear = 0;
    h.program->io.MapPhysicalMemory(0xC0000000u, kWindow, linear);
    ASSERT_NE(linear, 0u) << i;
    EXPECT_TRUE(linear >= kept + kWindow || linear + kWindow <= kept) << "overlaps a live mapping";
    wrapped = wrapped || linear < last;
    last = linear;
    h.program->io.ReadMem32(linear + kWindow - 4);
    h.program->io.UnmapPhysicalMemory(linear);
  }
  EXPECT_TRUE(wrapped);
  EXPECT_EQ(h.Machine().InvalidAccesses(), 0u);
  EXPECT_EQ(h.Machine().LiveMappings(), 1u);
  EXPECT_TRUE(h.ui.Lines().empty());
}

}  // namespace
}  // namespace rz::test
