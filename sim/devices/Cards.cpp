// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/devices/Cards.h"

#include "sim/devices/AtiCard.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/scenario/ImageFile.h"

namespace rz::sim {

namespace {

constexpr std::uint16_t kNvidiaVendorId = 0x10DE;

// The chip of an `eeprom` object, filled from its image file. A missing image is an error unless
// the chip has a factory BIOS (which it then holds) or persists into it (then the chip starts
// erased); either way the file appears at the end of a run that persists.
std::unique_ptr<FlashChip> MakeEeprom(const EepromRecipe& recipe, Machine& machine) {
  auto chip = MakeFlashChip(recipe.model, machine.Clock(), recipe.faults);
  const bool missing = recipe.imagePath.empty() || ImageFileMissing(recipe.imagePath);
  if (missing && recipe.factoryImage)
    chip->Load(*recipe.factoryImage);
  else if (!recipe.imagePath.empty() && !(missing && recipe.persist))
    chip->Load(ReadImageFile(recipe.imagePath, recipe.model.size, recipe.persist, "eeprom image"));
  return chip;
}

// The subsystem ids an NVIDIA board loads from its BIOS at power-on: the words at 0x54 and 0x56
// of an image that starts with the ROM signature; 0000:0000 from a chip that holds none.
void LoadSubsystemIds(FlashChip* chip, PciIdentity& id) {
  id.subsystemVendorId = 0;
  id.subsystemId = 0;
  if (!chip) return;
  const auto bios = chip->Contents();
  if (bios.size() < 0x58 || bios[0] != 0x55 || bios[1] != 0xAA) return;
  id.subsystemVendorId = static_cast<std::uint16_t>(bios[0x54] | bios[0x55] << 8);
  id.subsystemId = static_cast<std::uint16_t>(bios[0x56] | bios[0x57] << 8);
}

}  // namespace

std::uint32_t DefaultBar0(std::size_t adapterIndex) {
  return 0xC0000000u + static_cast<std::uint32_t>(adapterIndex) * 0x04000000u;
}

std::uint64_t DefaultFramebuffer(std::size_t adapterIndex) {
  return 0x4000000000u + std::uint64_t{adapterIndex} * kCardFramebufferSize;
}

std::unique_ptr<PciDevice> MakeAdapterDevice(const AdapterRecipe& a, Machine& machine,
                                             std::uint32_t bar0, std::uint64_t framebuffer) {
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
  id.bar0Size = kCardRegisterSize;
  id.framebuffer = framebuffer;
  id.framebufferSize = kCardFramebufferSize;
  id.romSize = kCardRomSize;
  if (a.vendorId == kAtiVendorId) return MakeAtiCard(a.atiEeprom, id);
  if (a.vendorId != kNvidiaVendorId) return std::make_unique<PciDevice>(id);

  // An NVIDIA adapter is always a card with registers, with or without a chip.
  NvidiaCardConfig config;
  config.newGpioLayout = IsNewGpioLayoutDevice(a.deviceId);
  std::unique_ptr<FlashChip> chip;
  if (a.eeprom) {
    chip = MakeEeprom(*a.eeprom, machine);
    config.strap = a.eeprom->strap;
    config.imagePath = a.eeprom->imagePath;
    config.persist = a.eeprom->persist;
  }
  if (a.subsystemFromBios) LoadSubsystemIds(chip.get(), id);
  return std::make_unique<NvidiaCard>(id, std::move(chip), std::move(config));
}

}  // namespace rz::sim
