// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/ChipCommands.h"

#include "eeprom/RomAccess.h"

namespace rz::eeprom {

void JedecCommand(EepromContext& ctx, std::uint8_t command) {
  WriteProm(ctx, jedec::kAddress1, jedec::kUnlock1);
  WriteProm(ctx, jedec::kAddress2, jedec::kUnlock2);
  WriteProm(ctx, jedec::kAddress1, command);
}

}  // namespace rz::eeprom
