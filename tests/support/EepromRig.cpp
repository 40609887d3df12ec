#include "support/EepromRig.h"

#include <gtest/gtest.h>

#include "eeprom/RomWindow.h"
#include "sim/NvidiaCard.h"

namespace rz::test {

using nlohmann::json;

std::uint8_t RegisterCard::MmioRead8(std::uint32_t offset) {
  if (offset < eeprom::kPromOffset || regs[eeprom::kRegPromAccess] != 0) return 0xFF;
  const std::uint32_t at = offset - eeprom::kPromOffset;
  return at < rom.size() ? rom[at] : 0xFF;
}

std::uint32_t RegisterCard::MmioRead32(std::uint32_t offset) {
  auto it = regs.find(offset);
  return it == regs.end() ? 0 : it->second;
}

namespace {
json Scenario(json adapter, json scenario) {
  json a = Adapter(1, 0, 0x10DE, kRigDeviceId);
  a.merge_patch(adapter);
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
  harness.platform->Finish();  // the scenario's card is replaced: nothing of it is written back
  return static_cast<RegisterCard&>(Machine().AddDevice(1, 0, std::move(card)));
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
