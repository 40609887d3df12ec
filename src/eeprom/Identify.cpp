#include "eeprom/Identify.h"

#include <new>
#include <vector>

#include "eeprom/RomAccess.h"
#include "eeprom/SerialBus.h"
#include "hw/PciConfig.h"

namespace rz::eeprom {

namespace {
constexpr std::uint32_t kJedec1 = 0x5555;
constexpr std::uint32_t kJedec2 = 0x2AAA;
constexpr std::uint32_t kHeaderLength = 0x02;
constexpr std::uint32_t kHeaderExtFlag = 0x34;
constexpr std::uint32_t kHeaderExtOffset = 0x36;
}  // namespace

void ReadParallelIds(EepromContext& ctx, std::uint8_t& m, std::uint8_t& d) {
  WriteProm(ctx, kJedec1, 0xAA);
  WriteProm(ctx, kJedec2, 0x55);
  WriteProm(ctx, kJedec1, 0x90);
  RomDelay(ctx, 1);
  m = ReadProm(ctx, 0);
  d = ReadProm(ctx, 1);
  WriteProm(ctx, kJedec1, 0xAA);
  WriteProm(ctx, kJedec2, 0x55);
  WriteProm(ctx, kJedec1, 0xF0);
  RomDelay(ctx, 1);
}

void ReadSerialIds(EepromContext& ctx, std::uint8_t& m, std::uint8_t& d) {
  SpiBegin(ctx);
  SpiSelect(ctx);
  SpiSendByte(ctx, 0x15);
  m = SpiReceiveByte(ctx);
  d = SpiReceiveByte(ctx);
  if (m == 0x7F) {  // continuation code: the ids follow in the same frame
    m = SpiReceiveByte(ctx);
    d = SpiReceiveByte(ctx);
    SpiDeselect(ctx);
    SpiEnd(ctx);
    return;
  }
  SpiDeselect(ctx);
  if (m == 0x1F) {
    SpiEnd(ctx);
    return;
  }
  SpiSelect(ctx);
  for (std::uint8_t b : {0xAB, 0x00, 0x00, 0x00}) SpiSendByte(ctx, b);
  m = SpiReceiveByte(ctx);
  d = SpiReceiveByte(ctx);
  if (m == 0xFF) {
    SpiDeselect(ctx);
    SpiSelect(ctx);
    for (std::uint8_t b : {0x90, 0x00, 0x00, 0x00}) SpiSendByte(ctx, b);
    const std::uint8_t m1 = SpiReceiveByte(ctx);
    const std::uint8_t d1 = SpiReceiveByte(ctx);
    SpiDeselect(ctx);
    SpiSelect(ctx);
    for (std::uint8_t b : {0x90, 0x00, 0x00, 0x01}) SpiSendByte(ctx, b);
    const std::uint8_t m2 = SpiReceiveByte(ctx);
    const std::uint8_t d2 = SpiReceiveByte(ctx);
    // These answers come one bit late.
    m = static_cast<std::uint8_t>((m1 << 1) | (d1 >> 7));
    d = static_cast<std::uint8_t>((m2 << 1) | (d2 >> 7));
  }
  if (m != 0xBF && m != 0x9D) m = 0x20;
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
  EnablePromAccess(ctx);
  std::uint8_t m = 0, d = 0;
  if (ctx.window.spiMode)
    ReadSerialIds(ctx, m, d);
  else
    ReadParallelIds(ctx, m, d);
  DisablePromAccess(ctx);
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
  const std::uint8_t units = ReadProm(ctx, kHeaderLength);
  if (units == 0) {
    ctx.ui.MessageBox("ERROR", kZeroRomSize, ui::Buttons::Ok, ui::Icon::Error);
    return false;
  }
  length = units * 512u;
  if (ReadProm(ctx, kHeaderExtFlag) & 0x80) {
    const std::uint32_t w = static_cast<std::uint32_t>(ReadProm(ctx, kHeaderExtOffset)) |
                            static_cast<std::uint32_t>(ReadProm(ctx, kHeaderExtOffset + 1)) << 8;
    if (length < w) length = w + ReadProm(ctx, w + 1) * 128u;
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
