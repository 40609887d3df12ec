// SPDX-License-Identifier: GPL-3.0-or-later
// The fault matrix's machines: a preset's scenario with short images in place of the preset's
// own, so that a run costs little, and with a point's faults.
#pragma once
#include "sim/scenario/Scenario.h"
#include "support/FaultMatrix.h"
#include "support/SimHarness.h"

namespace rz::test::matrix {

inline constexpr const char* kNewImageName = "new.rom";    // a newer image for the card
inline constexpr const char* kCardImageName = "card.rom";  // a copy of the card's BIOS

// The scenario of `point`'s preset in `dir`: the card's BIOS, the new image, the stock BIOS files
// and the copy of the card's BIOS all 4 KiB long, and the point's faults selected.
sim::ScenarioRecipe PrepareScenario(const Point& point, const TempDir& dir);

}  // namespace rz::test::matrix
