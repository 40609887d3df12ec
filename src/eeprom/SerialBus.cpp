// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/SerialBus.h"

#include "eeprom/RomAccess.h"

namespace rz::eeprom {

void PortDelay(EepromContext& ctx, std::uint32_t count) {
  // A failed write ends the delay; the operation around it sees the failure and stops.
  for (std::uint32_t i = 0; i < count; ++i)
    if (!ctx.io.WritePortByte(kDelayPort, 0)) return;
}

void RomDelay(EepromContext& ctx, std::int32_t n) {
  if (n < 100) {
    PortDelay(ctx, n > 0 ? static_cast<std::uint32_t>(2 * n) : 0);
  } else {
    ctx.system.Sleep(static_cast<std::uint32_t>((15 * static_cast<std::int64_t>(n)) / 1000));
  }
}

std::uint32_t ReadGpioRegister(EepromContext& ctx) {
  return ReadRegister(ctx, ctx.window.newGpioLayout ? kRegGpioNew : kRegGpioOld);
}

void WriteGpioRegister(EepromContext& ctx, std::uint32_t value) {
  WriteRegister(ctx, ctx.window.newGpioLayout ? kRegGpioNew : kRegGpioOld, value);
}

namespace {
void ChangeGpio(EepromContext& ctx, std::uint32_t set, std::uint32_t clear) {
  const std::uint32_t v = ReadGpioRegister(ctx);
  WriteGpioRegister(ctx, (v & ~clear) | set);
}
}  // namespace

void SpiBegin(EepromContext& ctx) { ChangeGpio(ctx, kGpioEnable | kGpioSelect, kGpioClock); }

void SpiSelect(EepromContext& ctx) {
  ChangeGpio(ctx, 0, kGpioSelect);
  RomDelay(ctx, 1);
}

void SpiDeselect(EepromContext& ctx) {
  RomDelay(ctx, 1);
  ChangeGpio(ctx, kGpioSelect, 0);
  RomDelay(ctx, 1);
}

void SpiEnd(EepromContext& ctx) { ChangeGpio(ctx, 0, kGpioEnable); }

void SpiClockPulse(EepromContext& ctx) {
  const std::uint32_t v = ReadGpioRegister(ctx);
  WriteGpioRegister(ctx, v | kGpioClock);
  WriteGpioRegister(ctx, v & ~kGpioClock);
  RomDelay(ctx, 1);
}

void SpiSendByte(EepromContext& ctx, std::uint8_t value) {
  for (int bit = 7; bit >= 0; --bit) {
    const bool one = (value >> bit) & 1;
    ChangeGpio(ctx, one ? kGpioDataOut : 0, one ? 0 : kGpioDataOut);
    SpiClockPulse(ctx);
  }
}

std::uint8_t SpiReceiveByte(EepromContext& ctx) {
  std::uint8_t value = 0;
  for (int bit = 7; bit >= 0; --bit) {
    const std::uint32_t v = ReadGpioRegister(ctx);  // sampled before the clock pulse
    if (v & kGpioDataIn) value = static_cast<std::uint8_t>(value | (1u << bit));
    SpiClockPulse(ctx);
  }
  return value;
}

void SpiFrame(EepromContext& ctx, std::initializer_list<std::uint8_t> bytes) {
  SpiSelect(ctx);
  for (std::uint8_t b : bytes) SpiSendByte(ctx, b);
  SpiDeselect(ctx);
}

}  // namespace rz::eeprom
