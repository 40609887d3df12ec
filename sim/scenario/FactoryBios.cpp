// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/scenario/FactoryBios.h"

#include "sim/devices/AtiCard.h"
#include "sim/images/TestImage.h"
#include "sim/scenario/Scenario.h"
#include "sim/scenario/ScenarioObject.h"

namespace rz::sim {

std::optional<std::vector<std::uint8_t>> ParseFactoryBios(ScenarioObject& eeprom,
                                                          const AdapterRecipe& adapter) {
  if (!eeprom.Has("factory_bios")) return std::nullopt;
  ScenarioObject f = eeprom.Object("factory_bios");  // refuses a value that is not an object
  testimage::ImageRecipe image;
  image.vendorId = adapter.vendorId;
  image.deviceId = adapter.deviceId;
  image.subsystemVendorId = adapter.subsystemVendorId;
  image.subsystemId = adapter.subsystemId;
  image.seed = f.Number<std::uint32_t>("seed", 1);
  if (adapter.vendorId == kAtiVendorId) image.atom = testimage::AtomRecipe{};
  const auto block = f.OptionalText("block");
  image.modelText = f.OptionalText("model_text");
  if (block.has_value() == image.modelText.has_value())
    throw ScenarioError(f.Path() + " needs either block or model_text");
  if (block) {
    // A letter and a number, as a "$RZ" block holds its version ("F4").
    const std::string& v = *block;
    const bool digits = v.size() >= 2 && v.size() <= 4 &&
                        v.find_first_not_of("0123456789", 1) == std::string::npos;
    const unsigned long number = digits ? std::stoul(v.substr(1)) : 0x100;
    if (number > 0xFF)
      throw ScenarioError(f.PathOf("block") + " must be a letter and a number up to 255, e.g. F4");
    testimage::RzBlockRecipe rz;
    rz.letter = v[0];
    rz.number = static_cast<std::uint8_t>(number);
    image.block = rz;
  }
  f.WarnUnknownKeys();
  return testimage::BuildImage(image);
}

}  // namespace rz::sim
