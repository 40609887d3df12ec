// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/WriteProtection.h"

#include "eeprom/ChipCodeFacts.h"
#include "eeprom/ChipCommands.h"
#include "eeprom/RomAccess.h"
#include "eeprom/SerialBus.h"

namespace rz::eeprom {

bool AlgorithmKeepsProtection(std::uint8_t chipCode) {
  const std::optional<ChipCodeFacts> facts = FactsFor(chipCode);
  return facts && facts->algorithm == Algorithm::SpiPages;
}

bool IsWriteProtected(EepromContext& ctx, std::uint8_t chipCode) {
  if (!ctx.window.spiMode || !AlgorithmKeepsProtection(chipCode)) return false;
  const hw::FailureWatch watch(ctx.io);
  const PromAccessGuard access(ctx);
  SpiBegin(ctx);
  SpiSelect(ctx);
  SpiSendByte(ctx, spi::kReadStatus);
  const std::uint8_t status = SpiReceiveByte(ctx);
  SpiDeselect(ctx);
  SpiEnd(ctx);
  return watch.Failed() || (status & kStatusBlockProtect) != 0;
}

}  // namespace rz::eeprom
