// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/RomAccess.h"

#include "hw/PciConfig.h"

namespace rz::eeprom {

namespace {
constexpr std::uint8_t kConfigCommand = 0x04;
constexpr std::uint8_t kConfigBar0 = 0x10;
// A memory BAR's low four bits say what kind of BAR it is (I/O or memory, 32- or 64-bit,
// prefetchable); the address is the rest.
constexpr std::uint32_t kBarAddressMask = 0xFFFFFFF0u;
constexpr std::uint16_t kMemoryDecoding = 0x0002;
constexpr std::uint32_t kProgressStep = 0x1000;
}  // namespace

bool OpenRomWindow(EepromContext& ctx, std::uint8_t bus, std::uint8_t device,
                   std::uint16_t& deviceId, std::int16_t& asicIndex) {
  std::uint16_t id = 0;
  if (!hw::IsNvidiaVgaAdapter(ctx.io, bus, device, id)) return false;
  deviceId = id;
  const auto index = ctx.asics.Lookup(id);
  if (!index) {
    ctx.ui.MessageBox("ERROR", kDeviceNotFound, ui::Buttons::Ok, ui::Icon::Error);
    return false;
  }
  ctx.window.promFlag = ctx.asics.entries[*index].promFlag;
  asicIndex = static_cast<std::int16_t>(*index);

  const std::uint16_t command = hw::ReadPciConfigWord(ctx.io, bus, device, kConfigCommand);
  hw::WritePciConfigWord(ctx.io, bus, device, kConfigCommand,
                         static_cast<std::uint16_t>(command | kMemoryDecoding));
  const std::uint32_t bar0 =
      hw::ReadPciConfigDword(ctx.io, bus, device, kConfigBar0) & kBarAddressMask;
  MapRomWindow(ctx, bar0, kWindowLength, kPromOffset);
  if (!ctx.window.IsOpen()) return false;  // the map request has shown its failure

  const std::uint32_t enable = ReadRegister(ctx, kRegEnable);
  if (!(enable & kRegEnableBit)) WriteRegister(ctx, kRegEnable, enable | kRegEnableBit);
  ctx.window.deviceId = id;
  return true;
}

void MapRomWindow(EepromContext& ctx, std::uint32_t physicalAddress, std::uint32_t length,
                  std::uint32_t promOffset) {
  RomWindow& w = ctx.window;
  if (w.IsOpen()) ctx.io.UnmapPhysicalMemory(w.mapping);
  std::uint32_t linear = 0;
  ctx.io.MapPhysicalMemory(physicalAddress, length, linear);
  w.mapping = linear;
  w.registers = linear;
  w.prom = linear ? linear + promOffset : 0;
}

void CloseRomWindow(EepromContext& ctx, std::uint32_t length) {
  (void)length;  // the unmap request carries only the address
  RomWindow& w = ctx.window;
  if (w.IsOpen()) ctx.io.UnmapPhysicalMemory(w.mapping);
  w.mapping = w.registers = w.prom = 0;
}

bool EnablePromAccess(EepromContext& ctx) {
  RomWindow& w = ctx.window;
  if (w.promFlag != 0) {
    w.savedC040 = ReadRegister(ctx, kRegC040);
    WriteRegister(ctx, kRegC040, w.savedC040 & kC040PromMask);
  }
  WriteRegister(ctx, kRegPromAccess, 0);
  return true;
}

bool DisablePromAccess(EepromContext& ctx) {
  RomWindow& w = ctx.window;
  if (w.promFlag != 0) WriteRegister(ctx, kRegC040, w.savedC040);
  WriteRegister(ctx, kRegPromAccess, 1);
  return true;
}

void DetectSpiMode(EepromContext& ctx) {
  const std::uint32_t strap = ReadRegister(ctx, kRegStrap);
  ctx.window.spiMode = ctx.window.newGpioLayout ? (strap & kStrapSpiNew) != 0
                                                : (strap & kStrapSpiOld) != 0;
}

std::uint32_t ReadRomBytes(EepromContext& ctx, std::uint8_t chipCode, std::uint8_t* destination,
                           std::uint32_t offset, std::uint32_t count, ui::Phase phase) {
  if (chipCode == 0) return 0;
  const PromAccessGuard access(ctx);
  for (std::uint32_t i = 0; i < count; ++i) {
    (void)ReadProm(ctx, offset + i);  // the first read of a byte is discarded
    destination[i] = ReadProm(ctx, offset + i);
    if ((i + 1) % kProgressStep == 0 || i + 1 == count) ctx.ui.ReportProgress(phase, i + 1, count);
  }
  return count;
}

std::uint32_t ReadRegister(EepromContext& ctx, std::uint32_t offset) {
  if (!ctx.window.IsOpen() || offset > kWindowLength - 4) return 0xFFFFFFFFu;
  return ctx.io.ReadMem32(ctx.window.registers + offset);
}

void WriteRegister(EepromContext& ctx, std::uint32_t offset, std::uint32_t value) {
  if (!ctx.window.IsOpen() || offset > kWindowLength - 4) return;
  ctx.io.WriteMem32(ctx.window.registers + offset, value);
}

std::uint8_t ReadProm(EepromContext& ctx, std::uint32_t offset) {
  if (!ctx.window.IsOpen() || offset >= kApertureLength) return 0xFF;
  return ctx.io.ReadMem8(ctx.window.prom + offset);
}

void WriteProm(EepromContext& ctx, std::uint32_t offset, std::uint8_t value) {
  if (!ctx.window.IsOpen() || offset >= kApertureLength) return;
  ctx.io.WriteMem8(ctx.window.prom + offset, value);
}

}  // namespace rz::eeprom
