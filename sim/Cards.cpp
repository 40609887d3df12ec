#include "sim/Cards.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "sim/AtiCard.h"
#include "sim/EepromSpec.h"
#include "sim/NvidiaCard.h"

namespace rz::sim {

namespace {

constexpr std::uint16_t kNvidiaVendorId = 0x10DE;

// The chip of an `eeprom` object, filled from its image file. A missing image is an error unless
// the chip persists into it (then the chip starts erased and the file appears at the end).
std::unique_ptr<FlashChip> MakeEeprom(const EepromSpec& recipe, Machine& machine) {
  auto chip = MakeFlashChip(recipe.model, machine.Clock(), recipe.faults);
  if (recipe.imagePath.empty()) return chip;
  std::ifstream in(recipe.imagePath, std::ios::binary);
  if (!in) {
    if (recipe.persist && !std::filesystem::exists(recipe.imagePath)) return chip;
    throw ScenarioError("cannot read eeprom image " + recipe.imagePath);
  }
  const std::vector<std::uint8_t> image{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
  chip->Load(image);
  return chip;
}

}  // namespace

std::unique_ptr<PciDevice> MakeAdapterDevice(const AdapterSpec& a, const ScenarioSpec& scenario,
                                             Machine& machine, std::uint32_t bar0) {
  PciIdentity id;
  id.vendorId = a.vendorId;
  id.deviceId = a.deviceId;
  id.classCode = a.classCode;
  id.revision = a.revision;
  id.subsystemVendorId = a.subsystemVendorId;
  id.subsystemId = a.subsystemId;
  id.capabilities = a.capabilities;
  id.loopingCapabilities = a.loopingCapabilities;
  id.bar0 = bar0;
  id.bar0Size = kCardWindowSize;
  if (a.vendorId == kAtiVendorId) return MakeAtiCard(a, scenario, id);
  if (a.vendorId != kNvidiaVendorId) return std::make_unique<PciDevice>(id);

  // An NVIDIA adapter is always a card with registers; without an `eeprom` object (or with an empty
  // one) it has no chip.
  NvidiaCardConfig config;
  config.newGpioLayout = IsNewGpioLayoutDevice(a.deviceId);
  std::unique_ptr<FlashChip> chip;
  if (!a.eeprom.is_null() && !(a.eeprom.is_object() && a.eeprom.empty())) {
    const EepromSpec recipe = ParseEepromSpec(a.eeprom, scenario.faults, scenario.baseDirectory);
    chip = MakeEeprom(recipe, machine);
    config.strap = recipe.strap;
    config.imagePath = recipe.imagePath;
    config.persist = recipe.persist;
  }
  return std::make_unique<NvidiaCard>(id, std::move(chip), std::move(config));
}

}  // namespace rz::sim
