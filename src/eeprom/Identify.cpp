// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/Identify.h"

#include <new>
#include <vector>

#include "bios/ImageLayout.h"
#include "eeprom/ChipCommands.h"
#include "eeprom/RomAccess.h"
#include "eeprom/SerialBus.h"
#include "hw/PciConfig.h"

namespace rz::eeprom {

namespace {
// JEDEC manufacturer ids the serial identification treats specially.
constexpr std::uint8_t kContinuationCode = 0x7F;  // the ids follow in the same frame
constexpr std::uint8_t kAtmel = 0x1F;
constexpr std::uint8_t kSst = 0xBF;
constexpr std::uint8_t kPmc = 0x9D;
constexpr std::uint8_t kSt = 0x20;  // taken for any other answer
constexpr std::uint8_t kNoAnswer = 0xFF;
}  // namespace

void ReadParallelIds(EepromContext& ctx, std::uint8_t& m, std::uint8_t& d) {
  JedecCommand(ctx, jedec::kIdEntry);
  RomDelay(ctx, 1);
  m = ReadProm(ctx, 0);
  d = ReadProm(ctx, 1);
  JedecCommand(ctx, jedec::kIdExit);
  RomDelay(ctx, 1);
}

void ReadSerialIds(EepromContext& ctx, std::uint8_t& m, std::uint8_t& d) {
  SpiBegin(ctx);
  SpiSelect(ctx);
  SpiSendByte(ctx, spi::kReadJedecId);
  m = SpiReceiveByte(ctx);
  d = SpiReceiveByte(ctx);
  if (m == kContinuationCode) {
    m = SpiReceiveByte(ctx);
    d = SpiReceiveByte(ctx);
    SpiDeselect(ctx);
    SpiEnd(ctx);
    return;
  }
  SpiDeselect(ctx);
  if (m == kAtmel) {
    SpiEnd(ctx);
    return;
  }
  SpiSelect(ctx);
  for (std::uint8_t b : {spi::kReadElectronicId, std::uint8_t{0}, std::uint8_t{0}, std::uint8_t{0}})
    SpiSendByte(ctx, b);
  m = SpiReceiveByte(ctx);
  d = SpiReceiveByte(ctx);
  if (m == kNoAnswer) {
    SpiDeselect(ctx);
    SpiSelect(ctx);
    for (std::uint8_t b : {spi::kReadManufacturerDeviceId, std::uint8_t{0}, std::uint8_t{0},
                           std::uint8_t{0}})
      SpiSendByte(ctx, b);
    const std::uint8_t m1 = SpiReceiveByte(ctx);
    const std::uint8_t d1 = SpiReceiveByte(ctx);
    SpiDeselect(ctx);
    SpiSelect(ctx);
    for (std::uint8_t b : {spi::kReadManufacturerDeviceId, std::uint8_t{0}, std::uint8_t{0},
                           std::uint8_t{1}})
      SpiSendByte(ctx, b);
    const std::uint8_t m2 = SpiReceiveByte(ctx);
    const std::uint8_t d2 = SpiReceiveByte(ctx);
    // These answers come one bit late.
    m = static_cast<std::uint8_t>((m1 << 1) | (d1 >> 7));
    d = static_cast<std::uint8_t>((m2 << 1) | (d2 >> 7));
  }
  if (m != kSst && m != kPmc) m = kSt;
  SpiDeselect(ctx);
  SpiEnd(ctx);
}

bool IdentifyEeprom(EepromContext& ctx, std::uint8_t bus, std::uint8_t device,
                    std::uint8_t& chipCode, std::uint16_t& idWord, std::uint32_t& chipSize) {
  chipCode = 0;
  chipSize = 0;
  const hw::FailureWatch watch(ctx.io);
  std::uint16_t deviceId = 0;
  if (!hw::IsNvidiaVgaAdapter(ctx.io, bus, device, deviceId)) return false;
  std::int16_t asicIndex = 0;
  if (!OpenRomWindow(ctx, bus, device, deviceId, asicIndex)) {
    ctx.ui.MessageBox("", kMapFailed, ui::Buttons::Ok, ui::Icon::None);
    return false;
  }
  if (watch.Failed()) return false;
  DetectSpiMode(ctx);
  std::uint8_t m = 0, d = 0;
  {
    const PromAccessGuard access(ctx);
    if (ctx.window.spiMode)
      ReadSerialIds(ctx, m, d);
    else
      ReadParallelIds(ctx, m, d);
  }
  // Ids read while the driver failed are not trusted: the chip's timing was not kept.
  if (watch.Failed()) return false;
  const ChipCodeMatch match = FindChipCode(m, d);
  chipCode = match.code;
  chipSize = match.chipSize;
  idWord = static_cast<std::uint16_t>(d << 8 | m);
  return true;
}

bool GetRomImageSize(EepromContext& ctx, std::uint32_t& length) {
  length = 0;
  const std::uint8_t units = ReadProm(ctx, bios::kImageLengthOffset);
  if (units == 0) {
    ctx.ui.MessageBox("ERROR", kZeroRomSize, ui::Buttons::Ok, ui::Icon::Error);
    return false;
  }
  length = bios::ImageLength(units);
  if (ReadProm(ctx, bios::kExtendedLengthFlagOffset) & bios::kExtendedLengthFlag) {
    const std::uint32_t at = bios::kExtendedLengthPointerOffset;
    const std::uint32_t w = static_cast<std::uint32_t>(ReadProm(ctx, at)) |
                            static_cast<std::uint32_t>(ReadProm(ctx, at + 1)) << 8;
    if (length < w)
      length = w + ReadProm(ctx, w + bios::kExtensionLengthOffset) * bios::kExtensionLengthUnit;
  }
  return true;
}

bool ReadEepromIdentity(EepromContext& ctx, std::uint8_t bus, std::uint8_t device,
                        std::uint8_t& chipCode, std::uint16_t& idWord, std::uint32_t& chipSize,
                        std::uint32_t& imageLength) {
  chipCode = 0;
  const hw::FailureWatch watch(ctx.io);
  (void)IdentifyEeprom(ctx, bus, device, chipCode, idWord, chipSize);
  if (!ctx.window.IsOpen()) return false;  // no window: nothing may be touched
  if (watch.Failed()) return false;
  std::uint32_t length = 0;
  {
    PromAccessGuard access(ctx);
    if (!GetRomImageSize(ctx, length)) return false;
  }
  imageLength = length;
  std::vector<std::uint8_t> buffer;
  try {
    buffer.resize(length);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return ReadRomBytes(ctx, chipCode, buffer.data(), 0, length) >= length;
}

std::uint32_t GetEepromInfo(EepromContext& ctx, std::uint32_t adapterIndex,
                            EepromIdentity& identity, std::uint32_t& imageLength) {
  if (adapterIndex >= ctx.adapters.count) return kBadAdapterIndex;
  const hw::PciAdapter& a = ctx.adapters.adapters[adapterIndex];
  std::uint8_t chipCode = 0;
  std::uint16_t idWord = 0;
  std::uint32_t chipSize = 0;
  std::uint32_t result = 2;
  const hw::FailureWatch watch(ctx.io);
  {
    RomWindowGuard window(ctx);
    std::uint16_t deviceId = 0;
    std::int16_t asicIndex = 0;
    if (!OpenRomWindow(ctx, a.bus, a.device, deviceId, asicIndex)) {
      ctx.ui.MessageBox("", kMapFailed, ui::Buttons::Ok, ui::Icon::None);
    } else if (ReadEepromIdentity(ctx, a.bus, a.device, chipCode, idWord, chipSize,
                                  imageLength) &&
               !watch.Failed()) {
      result = 0;
    }
  }
  LookupChipName(idWord, identity.name);
  identity.chipSize = chipSize;
  return result;
}

}  // namespace rz::eeprom
