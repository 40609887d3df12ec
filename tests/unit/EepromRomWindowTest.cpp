// SPDX-License-Identifier: GPL-3.0-or-later
// ROM window, PROM access control, delays and the serial primitives, checked on the bus trace.
#include <gtest/gtest.h>

#include "eeprom/RomAccess.h"
#include "eeprom/SerialBus.h"
#include "support/EepromRig.h"

namespace rz::test {
namespace {

using eeprom::EepromContext;
using nlohmann::json;
using sim::TraceKind;

bool Open(EepromRig& rig) {
  std::uint16_t id = 0;
  std::int16_t index = -1;
  return eeprom::OpenRomWindow(rig.ctx, 1, 0, id, index);
}

std::size_t Count(EepromRig& rig, TraceKind kind) {
  std::size_t n = 0;
  for (const auto& e : rig.Trace()) n += e.kind == kind;
  return n;
}

// BAR0's type bits (here: prefetchable, as some display devices have it) are not part of the
// address that is mapped.
TEST(EepromRomWindow, OpenEnablesDecodingMapsBar0AndSetsBit20OnlyWhenClear) {
  for (std::uint32_t initial : {0x00000001u, 0x00100001u})
    for (std::uint32_t typeBits : {0x0u, 0x8u}) {
      EepromRig rig;
      auto& card = rig.UseRegisterCard();
      card.regs[eeprom::kRegEnable] = initial;
      card.SetConfigDword(0x10, card.Bar0() | typeBits);
      rig.StartTrace();
      std::uint16_t id = 0;
      std::int16_t index = -1;
      ASSERT_TRUE(eeprom::OpenRomWindow(rig.ctx, 1, 0, id, index));
      EXPECT_EQ(id, kRigDeviceId);
      EXPECT_EQ(index, 0);
      EXPECT_TRUE(card.MemoryDecoding());
      const auto& maps = rig.Trace();
      auto map = std::find_if(maps.begin(), maps.end(),
                              [](const auto& e) { return e.kind == TraceKind::Map; });
      ASSERT_NE(map, maps.end());
      EXPECT_EQ(map->address, card.Bar0());
      EXPECT_EQ(map->aux, eeprom::kWindowLength);
      const auto writes = rig.RegisterWrites(eeprom::kRegEnable);
      if (initial & eeprom::kRegEnableBit) {
        EXPECT_TRUE(writes.empty());
      } else {
        ASSERT_EQ(writes.size(), 1u);
        EXPECT_EQ(writes[0].second, 0x00100001u);
      }
      eeprom::CloseRomWindow(rig.ctx);
      EXPECT_TRUE(rig.LeftClean());
    }
}

TEST(EepromRomWindow, RefusalsLeaveNoWindow) {
  struct Case {
    const char* name;
    json adapter;
    std::uint32_t entryType;
    bool mapFails;
    std::vector<std::string> messages;
  };
  const std::vector<Case> cases = {
      {"not nvidia", json{{"vendor_id", 0x1002}}, 1, false, {}},
      {"not vga", json{{"class", 0x038000}}, 1, false, {}},
      {"entry of another type", json::object(), 0, false, {"Supported device not found."}},
      {"map fails", json::object(), 1, true, {"DeviceIOControl Fail(IOCTL_MAP_PHYS_TO_LINEAR)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EepromRig rig(c.adapter, c.mapFails ? json{{"faults", {{"map_fail_after", 0}}}} : json::object());
    rig.harness.program->asics.entries[0].type = c.entryType;
    rig.StartTrace();
    EXPECT_FALSE(Open(rig));
    EXPECT_EQ(rig.harness.ui.Messages(), c.messages);
    EXPECT_EQ(Count(rig, TraceKind::MemRead) + Count(rig, TraceKind::MemWrite), 0u);
    eeprom::CloseRomWindow(rig.ctx);
    EXPECT_EQ(Count(rig, TraceKind::Unmap), 0u);
    EXPECT_TRUE(rig.LeftClean());
  }
  EepromRig rig;
  rig.harness.program->asics.entries[0].type = 0;
  rig.StartTrace();
  EXPECT_FALSE(Open(rig));
  ASSERT_FALSE(rig.harness.ui.Events().empty());
  EXPECT_EQ(rig.harness.ui.Events()[0].caption, "ERROR");
  EXPECT_EQ(rig.harness.ui.Events()[0].icon, ui::Icon::Error);
}

TEST(EepromRomWindow, PromAccessSavesAndRestoresC040OnlyWithThePromFlag) {
  for (std::uint32_t flag : {0u, 1u}) {
    EepromRig rig(json::object(), json::object(), flag);
    auto& card = rig.UseRegisterCard();
    card.regs[eeprom::kRegC040] = 0xF234ABCDu;
    ASSERT_TRUE(Open(rig));
    rig.StartTrace();
    eeprom::EnablePromAccess(rig.ctx);
    EXPECT_EQ(card.regs[eeprom::kRegC040], flag ? 0xC234ABCDu : 0xF234ABCDu);
    EXPECT_EQ(card.regs[eeprom::kRegPromAccess], 0u);
    eeprom::DisablePromAccess(rig.ctx);
    EXPECT_EQ(card.regs[eeprom::kRegC040], 0xF234ABCDu);
    EXPECT_EQ(card.regs[eeprom::kRegPromAccess], 1u);
    std::size_t c040 = 0;
    for (const auto& e : rig.Trace()) c040 += e.address == eeprom::kRegC040;
    EXPECT_EQ(c040, flag ? 3u : 0u);  // read, cleared write, restoring write
    eeprom::CloseRomWindow(rig.ctx);
  }
}

TEST(EepromRomWindow, DetectSpiModeReadsTheStrapOfTheLayout) {
  struct Case {
    bool newLayout;
    std::uint32_t strap;
    bool spi;
  };
  for (const Case& c : {Case{false, 0x20000000, true}, Case{false, 0x40000000, true},
                        Case{false, 0x00400000, false}, Case{true, 0x00400000, true},
                        Case{true, 0x60000000, false}, Case{false, 0, false}}) {
    EepromRig rig;
    rig.UseRegisterCard().regs[eeprom::kRegStrap] = c.strap;
    rig.ctx.window.newGpioLayout = c.newLayout;
    ASSERT_TRUE(Open(rig));
    eeprom::DetectSpiMode(rig.ctx);
    EXPECT_EQ(rig.ctx.window.spiMode, c.spi) << std::hex << c.strap << " new " << c.newLayout;
    eeprom::CloseRomWindow(rig.ctx);
  }
}

TEST(EepromRomWindow, ReadRomBytesReadsEveryByteTwiceInsideItsOwnBracket) {
  EepromRig rig;
  auto& card = rig.UseRegisterCard();
  for (std::size_t i = 0; i < card.rom.size(); ++i) card.rom[i] = static_cast<std::uint8_t>(i * 7);
  ASSERT_TRUE(Open(rig));
  rig.StartTrace();
  std::uint8_t out[4] = {};
  EXPECT_EQ(eeprom::ReadRomBytes(rig.ctx, 6, out, 0x10, 4), 4u);
  EXPECT_EQ(out[0], 0x70);
  EXPECT_EQ(out[3], static_cast<std::uint8_t>(0x13 * 7));
  std::vector<std::uint32_t> reads;
  for (const auto& e : rig.Trace())
    if (e.kind == TraceKind::MemRead && e.width == 1) reads.push_back(e.address - eeprom::kPromOffset);
  EXPECT_EQ(reads, (std::vector<std::uint32_t>{0x10, 0x10, 0x11, 0x11, 0x12, 0x12, 0x13, 0x13}));
  EXPECT_EQ(rig.LastWrite(eeprom::kRegPromAccess), 1u);

  rig.StartTrace();
  EXPECT_EQ(eeprom::ReadRomBytes(rig.ctx, 0, out, 0, 4), 0u);
  EXPECT_TRUE(rig.Trace().empty()) << "chip code 0 reads nothing";
  EXPECT_EQ(eeprom::ReadRomBytes(rig.ctx, 6, out, 0, 0), 0u);
  EXPECT_EQ(rig.RegisterWrites(eeprom::kRegPromAccess).size(), 2u) << "count 0 still brackets";
  eeprom::CloseRomWindow(rig.ctx);
  EXPECT_TRUE(rig.LeftClean());
}

TEST(EepromRomWindow, RomDelayIsPortWritesBelow100AndASleepFrom100) {
  struct Case {
    std::int32_t n;
    std::uint64_t portWrites;
    std::uint32_t sleptMs;
  };
  for (const Case& c : {Case{1, 2, 0}, Case{99, 198, 0}, Case{100, 0, 1}, Case{133, 0, 1},
                        Case{333, 0, 4}, Case{1000, 0, 15}, Case{3333, 0, 49}}) {
    EepromRig rig;
    rig.StartTrace();
    const auto before = rig.Machine().Counters();
    eeprom::RomDelay(rig.ctx, c.n);
    EXPECT_EQ(rig.Machine().Counters().delayPortWrites - before.delayPortWrites, c.portWrites) << c.n;
    std::uint32_t slept = 0;
    for (const auto& e : rig.Trace())
      if (e.kind == TraceKind::Sleep) slept += e.value;
    EXPECT_EQ(slept, c.sleptMs) << c.n;
    // The machine's own sleep counters (the benchmarks split emulated time with them).
    EXPECT_EQ(rig.Machine().Counters().sleptMs - before.sleptMs, c.sleptMs) << c.n;
    EXPECT_EQ(rig.Machine().Counters().sleeps - before.sleeps, c.n >= 100 ? 1u : 0u) << c.n;
  }
}

// GPIO writes of the trace as values.
std::vector<std::uint32_t> GpioWrites(EepromRig& rig, std::uint32_t reg) {
  std::vector<std::uint32_t> out;
  for (const auto& [off, v] : rig.RegisterWrites(reg)) out.push_back(v);
  return out;
}

TEST(EepromRomWindow, SpiSendByteShiftsMsbFirstWithOneClockPulsePerBit) {
  for (bool newLayout : {false, true}) {
    EepromRig rig;
    auto& card = rig.UseRegisterCard();
    const std::uint32_t reg = newLayout ? eeprom::kRegGpioNew : eeprom::kRegGpioOld;
    card.regs[reg] = 0xA0000003u;  // unrelated high bits must survive
    rig.ctx.window.newGpioLayout = newLayout;
    ASSERT_TRUE(Open(rig));
    rig.StartTrace();
    eeprom::SpiSendByte(rig.ctx, 0x15);
    const auto w = GpioWrites(rig, reg);
    ASSERT_EQ(w.size(), 24u);  // per bit: data, clock high, clock low
    std::vector<int> bits;
    for (int i = 0; i < 8; ++i) {
      const std::uint32_t data = w[3 * i], high = w[3 * i + 1], low = w[3 * i + 2];
      bits.push_back((data >> 3) & 1);
      EXPECT_EQ(data & 0xA0000000u, 0xA0000000u);
      EXPECT_EQ(data & 0x04u, 0u);
      EXPECT_EQ(high, data | 0x04u);
      EXPECT_EQ(low, data);
    }
    EXPECT_EQ(bits, (std::vector<int>{0, 0, 0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(rig.Machine().Counters().delayPortWrites, 16u) << "RomDelay(1) after each pulse";
    EXPECT_TRUE(rig.RegisterWrites(newLayout ? eeprom::kRegGpioOld : eeprom::kRegGpioNew).empty());
    eeprom::CloseRomWindow(rig.ctx);
  }
}

TEST(EepromRomWindow, FrameBitsBeginSelectDeselectEnd) {
  EepromRig rig;
  auto& card = rig.UseRegisterCard();
  card.regs[eeprom::kRegGpioOld] = 0x100 | 0x04;  // clock high at start, bit 8 unrelated
  rig.ctx.window.newGpioLayout = false;
  ASSERT_TRUE(Open(rig));
  rig.StartTrace();
  eeprom::SpiBegin(rig.ctx);
  EXPECT_EQ(card.regs[eeprom::kRegGpioOld], 0x103u) << "enabled, deselected, clock low";
  eeprom::SpiSelect(rig.ctx);
  EXPECT_EQ(card.regs[eeprom::kRegGpioOld], 0x101u);
  eeprom::SpiDeselect(rig.ctx);
  EXPECT_EQ(card.regs[eeprom::kRegGpioOld], 0x103u);
  eeprom::SpiEnd(rig.ctx);
  EXPECT_EQ(card.regs[eeprom::kRegGpioOld], 0x102u);
  // Select waits once after the change, deselect before and after it.
  EXPECT_EQ(rig.Machine().Counters().delayPortWrites, 6u);
  eeprom::CloseRomWindow(rig.ctx);
}

}  // namespace
}  // namespace rz::test
