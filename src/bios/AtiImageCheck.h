// SPDX-License-Identifier: GPL-3.0-or-later
// Whether an image file for an ATI card belongs to the card and may replace its BIOS: ids from
// the chip maker's "ATOM" header, version from the maker's model text.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "bios/BiosIdentity.h"
#include "bios/BiosVersion.h"
#include "bios/SignatureData.h"
#include "platform/FileSystem.h"

namespace rz::bios {

struct AtiCheckContext {
  platform::FileSystem& files;
  std::uint32_t cardIds = 0;           // adapter 0: vendor id low, device id high
  std::uint32_t cardSubsystemIds = 0;  // adapter 0: subsystem vendor id low, subsystem id high
  const CardBiosIdentity& card;
  ModelText& modelText;                // overwritten with what the file holds
  VersionCheckResult& versionCheckResult;
  // False when the BIOS on the card is damaged (a flash stopped part-way): then a file that fits
  // the card is taken whatever its version, so that the card can be repaired with it.
  bool cardImageIntact = true;
};

// Ids found in the chip maker's header of an image; nullopt where not found (never equal to a
// card's ids).
struct AtiImageIds {
  std::optional<std::uint32_t> subsystemIds;
  std::optional<std::uint32_t> ids;
};

// Finds "ATOM" followed by a zero byte (byte-wise, like the signature scanner) from the file's
// current position; from "A" + 20 the subsystem ids, and the PCI ids after a "PCIR" that starts
// at positions 0 to 46 of the 50 bytes there.
AtiImageIds ReadAtiImageIds(platform::File& file);

// True when the file fits the card and its version may be flashed; sets versionCheckResult
// (ati_check codes).
bool CheckAtiImage(AtiCheckContext& context, const std::string& atiImageFile);

}  // namespace rz::bios
