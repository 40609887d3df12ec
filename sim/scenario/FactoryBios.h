// SPDX-License-Identifier: GPL-3.0-or-later
// The BIOS an emulated card came with from the factory (an eeprom's `factory_bios` object): built
// for the adapter's own ids and used when the eeprom's image file does not exist, so that a
// practice machine ships without image files and deleting a card's file brings its first BIOS
// back. `{"block": "F4"}` gives a "$RZ" block of that version, `{"model_text": "RZ-HD485/F2"}` a
// model text instead; `seed` picks the filler. ATI cards get the chip maker's ATOM header.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace rz::sim {

class ScenarioObject;
struct AdapterRecipe;

// Reads `factory_bios` of an adapter's `eeprom` object, if there is one. Throws ScenarioError.
std::optional<std::vector<std::uint8_t>> ParseFactoryBios(ScenarioObject& eeprom,
                                                          const AdapterRecipe& adapter);

}  // namespace rz::sim
