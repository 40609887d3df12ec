// SPDX-License-Identifier: GPL-3.0-or-later
// Card detection at start: finds adapter 0, decides how the program works with it (its own EEPROM
// engine on NVIDIA cards, the vendor tool on ATI cards), reads the card's BIOS identity and fills
// the information labels.
#pragma once
#include <cstdint>
#include <optional>

#include "app/AdapterChoice.h"

namespace rz::app {

class Program;

inline constexpr const char* kNoCardText = "No Card Found";
inline constexpr const char* kUnsupportedSeriesText = "Not support this series!!!";
inline constexpr const char* kNoMakerBiosText =
    "Talvenor VGA BIOS not found! Do you want to continue?";

// Returns false when detection ends the program (refused ATI series, "No" to the question about a
// card without the maker's BIOS).
bool DetectCard(Program& program);

// DetectCard on the adapter list as it stands, without a scan of its own: adapter 0 is the card.
bool DetectScannedCard(Program& program);

// DetectCard on the card ChooseAdapter takes from the scan, put in adapter 0's place before
// anything reads it. A refused choice ends the program before any card is read (false) and
// leaves the scan in the program's list; `choice` tells what was chosen or why nothing was.
bool DetectChosenCard(Program& program, const std::optional<BusAddress>& named, Choosing how,
                      AdapterChoice& choice);

// The name the safety backup of a chip without the maker's BIOS is kept under when recovering.
inline constexpr const char* kRecoveryBackupName = "RECOVERY";

// Detection for `recover`: the card is chosen as ChooseAdapter chooses (several refused without a
// named one) among the adapters that need recovery, put in adapter 0's place and read without
// the question about a BIOS of another maker. None found: false, with the refusal in `choice`
// saying so.
bool DetectRecoveryCard(Program& program, const std::optional<BusAddress>& named,
                        AdapterChoice& choice);

// The card reading of detection on adapter 0, a card that needs recovery: without the question
// about a BIOS of another maker (the person knows the BIOS is gone), and with a safety backup name
// of its own when the chip names none.
bool DetectRecoveringCard(Program& program);

// CardVendor from adapter 0's vendor id: 0x1002 and 0x10DE are taken over, anything else is 0.
void SetCardVendor(Program& program);

// The newer register layout is used by the graphics chips of this list (blocks of 16 ids).
bool IsNewGpioLayoutId(std::uint16_t deviceId);

// Sets NewGpioLayout from adapter 0's device id.
void DetectNvidiaFamily(Program& program);

}  // namespace rz::app
