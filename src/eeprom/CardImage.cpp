// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/CardImage.h"

#include "bios/ImageLayout.h"
#include "eeprom/Identify.h"
#include "eeprom/RomAccess.h"
#include "hw/PciConfig.h"

namespace rz::eeprom {

CardImageState CheckCardImage(EepromContext& ctx, std::uint32_t adapterIndex) {
  if (adapterIndex >= ctx.adapters.count) return CardImageState::Unknown;
  const hw::PciAdapter& a = ctx.adapters.adapters[adapterIndex];
  // A card the program cannot program is not looked at: it would only repeat the messages its
  // flash gives anyway.
  std::uint16_t deviceId = 0;
  if (!hw::IsNvidiaVgaAdapter(ctx.io, a.bus, a.device, deviceId) || !ctx.asics.Lookup(deviceId))
    return CardImageState::Unknown;
  RomWindowGuard window(ctx);
  std::uint8_t chipCode = 0;
  std::uint16_t idWord = 0;
  std::uint32_t chipSize = 0;
  if (!IdentifyEeprom(ctx, a.bus, a.device, chipCode, idWord, chipSize) || chipCode == 0)
    return CardImageState::Unknown;
  return CheckOpenCardImage(ctx, chipSize);
}

CardImageState CheckOpenCardImage(EepromContext& ctx, std::uint32_t chipSize) {
  PromAccessGuard access(ctx);
  // Each byte is read twice and the second value kept, as every read of the aperture does.
  auto read = [&](std::uint32_t offset) {
    (void)ReadProm(ctx, offset);
    return ReadProm(ctx, offset);
  };
  // The option-ROM signature byte by byte: a wrong first byte ends the check before the second.
  if (read(bios::kImageSignatureOffset) != (bios::kImageSignature & 0xFF) ||
      read(bios::kImageSignatureOffset + 1) != (bios::kImageSignature >> 8))
    return CardImageState::Damaged;
  const std::uint32_t length = bios::ImageLength(read(bios::kImageLengthOffset));
  if (length == 0 || length > chipSize) return CardImageState::Damaged;
  std::uint8_t sum = 0;
  for (std::uint32_t i = 0; i < length; ++i) sum = static_cast<std::uint8_t>(sum + read(i));
  return sum == 0 ? CardImageState::Intact : CardImageState::Damaged;
}

}  // namespace rz::eeprom
