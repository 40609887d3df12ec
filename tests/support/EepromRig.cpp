// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/EepromRig.h"

#include <gtest/gtest.h>

#include "eeprom/RomWindow.h"
#include "sim/devices/NvidiaCard.h"

namespace rz::test {

using nlohmann::json;

std::uint8_t RegisterCard::MmioRead8(std::uint32_t offset) {
  if (offset < eeprom::kPromOffset || regs[eeprom::kRegPromAccess] != 0) return 0xFF;
  const std::uint32_t at = offset - eeprom::kPromOffset;
  if (at >= rom.size()) return 0xFF;
  if (auto it = wrongReads.find(at); it != wrongReads.end() && it->second > 0) {
    --it->second;
    return static_cast<std::uint8_t>(~rom[at]);
  }
  return rom[at];
}

std::uint32_t RegisterCard::MmioRead32(std::uint32_t offset) {
  auto it = regs.find(offset);
  std::uint32_t v = it == regs.end() ? 0 : it->second;
  if (offset == gpio) v = (v & ~0x10u) | (MisoBit() ? 0x10u : 0u);
  return v;
}

bool RegisterCard::MisoBit() const {
  if (!selected_) return true;
  auto it = replies.find(command_);
  if (it == replies.end()) return true;
  const std::size_t byte = edges_ / 8;
  if (byte < it->second.header || byte - it->second.header >= it->second.bytes.size()) return true;
  return (it->second.bytes[byte - it->second.header] >> (7 - edges_ % 8)) & 1;
}

void RegisterCard::MmioWrite32(std::uint32_t offset, std::uint32_t value) {
  const std::uint32_t before = regs[offset];
  regs[offset] = value;
  if (offset != gpio) return;
  const bool select = !(value & 0x02) && (value & 0x01);
  if (select && !selected_) {
    edges_ = 0;
    command_ = 0;
  }
  selected_ = select;
  if (selected_ && !(before & 0x04) && (value & 0x04)) {
    if (edges_ < 8) command_ = static_cast<std::uint8_t>(command_ << 1 | ((value >> 3) & 1));
    ++edges_;
  }
}

std::vector<SpiFrameRecord> DecodeSpiFrames(const std::vector<sim::TraceEvent>& trace,
                                            std::uint32_t gpioOffset) {
  std::vector<SpiFrameRecord> frames;
  std::uint32_t last = 0x02;  // deselected
  bool miso = true;
  int bits = 0;
  std::uint8_t out = 0, in = 0;
  for (const auto& e : trace) {
    if (e.width != 4 || e.address != gpioOffset) continue;
    if (e.kind == sim::TraceKind::MemRead) {
      miso = (e.value & 0x10) != 0;
      continue;
    }
    if (e.kind != sim::TraceKind::MemWrite) continue;
    const std::uint32_t v = e.value;
    if ((last & 0x02) && !(v & 0x02)) {
      frames.emplace_back();
      bits = 0;
    }
    if (!(v & 0x02) && !(last & 0x04) && (v & 0x04) && !frames.empty()) {
      out = static_cast<std::uint8_t>(out << 1 | ((v >> 3) & 1));
      in = static_cast<std::uint8_t>(in << 1 | (miso ? 1 : 0));
      if (++bits == 8) {
        frames.back().out.push_back(out);
        frames.back().in.push_back(in);
        bits = 0;
      }
    }
    last = v;
  }
  return frames;
}

namespace {
json Scenario(json adapter, json scenario) {
  json a = Adapter(1, 0, 0x10DE, kRigDeviceId);
  if (adapter.is_object()) a.merge_patch(adapter);
  if (!scenario.is_object()) scenario = json::object();
  scenario["adapters"] = json::array({a});
  return scenario;
}
}  // namespace

EepromRig::EepromRig(json adapter, json scenario, std::uint32_t promFlag)
    : harness(Scenario(std::move(adapter), std::move(scenario))), ctx(harness.program->Eeprom()) {
  app::Program& p = *harness.program;
  p.driver.OpenDriver();
  config::AsicEntry entry;
  entry.vendorId = 0x10DE;
  entry.deviceId = kRigDeviceId;
  entry.type = 1;
  entry.promFlag = promFlag;
  entry.name = "RIG";
  p.asics.entries.push_back(entry);
  p.asics.built = true;
  const auto* dev = harness.platform->AdapterDevice(0);
  // What card detection would have found for this device id.
  p.romWindow.newGpioLayout = sim::IsNewGpioLayoutDevice(dev->Identity().deviceId);
  p.adapters.count = 1;
  auto& a = p.adapters.adapters[0];
  a.bus = 1;
  a.device = 0;
  a.ids = 0x10DEu | (std::uint32_t{dev->Identity().deviceId} << 16);
  a.subsystemIds = dev->Identity().subsystemVendorId |
                   (std::uint32_t{dev->Identity().subsystemId} << 16);
}

RegisterCard& EepromRig::UseRegisterCard() {
  auto card = std::make_unique<RegisterCard>(harness.platform->AdapterDevice(0)->Identity());
  return static_cast<RegisterCard&>(harness.platform->ReplaceAdapterDevice(0, std::move(card)));
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> EepromRig::RegisterWrites(std::uint32_t offset) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
  for (const auto& e : Trace())
    if (e.kind == sim::TraceKind::MemWrite && e.width == 4 && e.address == offset)
      out.emplace_back(e.address, e.value);
  return out;
}

std::optional<std::uint32_t> EepromRig::LastWrite(std::uint32_t offset) {
  std::optional<std::uint32_t> v;
  for (const auto& e : Trace())
    if (e.kind == sim::TraceKind::MemWrite && e.width == 4 && e.address == offset) v = e.value;
  return v;
}

::testing::AssertionResult EepromRig::LeftClean() {
  if (Machine().LiveMappings() != 0)
    return ::testing::AssertionFailure() << Machine().LiveMappings() << " mapping(s) left";
  if (Machine().InvalidAccesses() != 0)
    return ::testing::AssertionFailure() << Machine().InvalidAccesses() << " invalid access(es)";
  if (ctx.window.IsOpen()) return ::testing::AssertionFailure() << "window still open";
  if (harness.platform->Interrupts().Holding())
    return ::testing::AssertionFailure() << "interrupt requests still held";
  bool touched = false;
  for (const auto& e : Trace())
    if (e.kind == sim::TraceKind::MemWrite && e.width == 4 && e.address == eeprom::kRegPromAccess)
      touched = true;
  const auto last = LastWrite(eeprom::kRegPromAccess);
  if (touched && last != 1u)
    return ::testing::AssertionFailure() << "PROM access left on (last 0x1850 write " << *last << ")";
  return ::testing::AssertionSuccess();
}

}  // namespace rz::test
