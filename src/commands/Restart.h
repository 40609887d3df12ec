// SPDX-License-Identifier: GPL-3.0-or-later
// The offer to restart the computer after a successful flash, so that the new BIOS takes effect.
#pragma once
#include "platform/Shutdown.h"
#include "ui/Ui.h"

namespace rz::commands {

inline constexpr const char* kRestartQuestion =
    "You must restart your system to take new changes.\nDo you want to restart now ?";
inline constexpr std::uint32_t kOlderFamilyVersionBit = 0x80000000u;

// Asks in the skinned yes/no dialog; on Yes enables the shutdown privilege (where the system
// family needs it) and requests a forced restart. Nothing is reported either way.
void OfferRestart(ui::Ui& ui, platform::Shutdown& shutdown);

}  // namespace rz::commands
