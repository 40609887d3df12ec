// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/Signature.h"

#include <algorithm>

#include "bios/SignatureData.h"
#include "eeprom/RomAccess.h"
#include "hw/PciConfig.h"

namespace rz::eeprom {

namespace {

// Walks aperture offsets kScanStart..kScanEnd reading every byte once; calls visit(i, b0, b1, b2)
// with the three bytes at i until it returns false.
template <typename Visit>
void ScanAperture(EepromContext& ctx, Visit visit) {
  std::uint8_t b0 = ReadProm(ctx, kScanStart);
  std::uint8_t b1 = ReadProm(ctx, kScanStart + 1);
  for (std::uint32_t i = kScanStart; i <= kScanEnd; ++i) {
    const std::uint8_t b2 = ReadProm(ctx, i + 2);
    if (!visit(i, b0, b1, b2)) return;
    b0 = b1;
    b1 = b2;
  }
}

bool Is(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, const char* mark) {
  return b0 == static_cast<std::uint8_t>(mark[0]) && b1 == static_cast<std::uint8_t>(mark[1]) &&
         b2 == static_cast<std::uint8_t>(mark[2]);
}

}  // namespace

int ReadSignatureBlock(EepromContext& ctx, std::uint8_t bus, std::uint8_t device,
                       std::span<std::uint8_t> destination, std::uint32_t count) {
  int result = 1;
  std::uint16_t deviceId = 0;
  if (!hw::IsNvidiaVgaAdapter(ctx.io, bus, device, deviceId)) return 2;
  RomWindowGuard window(ctx);
  std::int16_t asicIndex = 0;
  if (!OpenRomWindow(ctx, bus, device, deviceId, asicIndex)) return 2;
  PromAccessGuard access(ctx);
  ctx.modelText.found = false;
  const std::uint32_t copy = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(destination.size()));
  ScanAperture(ctx, [&](std::uint32_t i, std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
    bool found = false;
    if (Is(b0, b1, b2, "$RZ")) {
      for (std::uint32_t k = 0; k < copy; ++k) destination[k] = ReadProm(ctx, i + k);
      found = true;
    }
    if (Is(b0, b1, b2, "RZ-")) {
      ctx.modelText.found = true;
      for (std::uint32_t k = 0; k < bios::kModelTextSize; ++k)
        ctx.modelText.bytes[k] = ReadProm(ctx, i + k);
    }
    if (found) result = 0;
    return !found;
  });
  return result;
}

std::uint32_t GetSignatureBlock(EepromContext& ctx, std::uint32_t adapterIndex,
                                const bios::SignatureBlock*& block) {
  block = nullptr;
  if (adapterIndex >= ctx.adapters.count) return kBadAdapterIndex;
  const hw::PciAdapter& a = ctx.adapters.adapters[adapterIndex];
  const int r = ReadSignatureBlock(ctx, a.bus, a.device, ctx.signature, bios::kSignatureBlockSize);
  if (r == 0) block = &ctx.signature;
  return static_cast<std::uint32_t>(r);
}

std::uint8_t ReadCardNumber(EepromContext& ctx, std::uint8_t bus, std::uint8_t device) {
  std::uint16_t deviceId = 0;
  if (!hw::IsNvidiaVgaAdapter(ctx.io, bus, device, deviceId)) return kNoCardNumber;
  RomWindowGuard window(ctx);
  std::int16_t asicIndex = 0;
  if (!OpenRomWindow(ctx, bus, device, deviceId, asicIndex)) return kNoCardNumber;
  PromAccessGuard access(ctx);
  std::uint8_t number = kNoCardNumber;
  ScanAperture(ctx, [&](std::uint32_t i, std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
    if (!Is(b0, b1, b2, "$RZ")) return true;
    number = ReadProm(ctx, i + bios::kBlockCardNumber);
    return false;
  });
  return number;
}

}  // namespace rz::eeprom
