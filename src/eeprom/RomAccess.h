// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and closing the ROM window, switching PROM access on and off, the aperture byte reader,
// and the register and aperture accessors every EEPROM operation is built from.
#pragma once
#include <cstdint>

#include "eeprom/EepromContext.h"

namespace rz::eeprom {

inline constexpr const char* kDeviceNotFound = "Supported device not found.";

// Maps the card's BAR0 (32 MiB) and sets bit 20 of register 0x200. False without a window when the
// adapter is not an NVIDIA VGA adapter, has no AsicEntry ("Supported device not found.") or the
// map request failed (after the request's own message).
bool OpenRomWindow(EepromContext& ctx, std::uint8_t bus, std::uint8_t device,
                   std::uint16_t& deviceId, std::int16_t& asicIndex);
void MapRomWindow(EepromContext& ctx, std::uint32_t physicalAddress, std::uint32_t length,
                  std::uint32_t promOffset);
// Unmaps the window if one is open; harmless without one.
void CloseRomWindow(EepromContext& ctx, std::uint32_t length = kWindowLength);

bool EnablePromAccess(EepromContext& ctx);
bool DisablePromAccess(EepromContext& ctx);
void DetectSpiMode(EepromContext& ctx);

// Reads count aperture bytes from offset (each byte twice, the second kept), inside its own PROM
// access bracket, reporting the progress as `phase`. Returns count, or 0 at once for chip code 0.
std::uint32_t ReadRomBytes(EepromContext& ctx, std::uint8_t chipCode, std::uint8_t* destination,
                           std::uint32_t offset, std::uint32_t count,
                           ui::Phase phase = ui::Phase::Reading);

// 32-bit register and byte aperture accesses. Without an open window, or outside it, nothing is
// accessed: reads answer all ones.
std::uint32_t ReadRegister(EepromContext& ctx, std::uint32_t offset);
void WriteRegister(EepromContext& ctx, std::uint32_t offset, std::uint32_t value);
std::uint8_t ReadProm(EepromContext& ctx, std::uint32_t offset);
void WriteProm(EepromContext& ctx, std::uint32_t offset, std::uint8_t value);

// Closes the ROM window when the scope ends, on every path.
class RomWindowGuard {
 public:
  explicit RomWindowGuard(EepromContext& ctx) : ctx_(ctx) {}
  ~RomWindowGuard() { CloseRomWindow(ctx_); }
  RomWindowGuard(const RomWindowGuard&) = delete;
  RomWindowGuard& operator=(const RomWindowGuard&) = delete;

  // Closes the window before the scope ends (so that a failed unmap can still count); the end
  // of the scope then has nothing left to close.
  void Close() { CloseRomWindow(ctx_); }

 private:
  EepromContext& ctx_;
};

// Switches PROM access on at construction and off at Disable() or at the end of the scope,
// whichever comes first.
class PromAccessGuard {
 public:
  explicit PromAccessGuard(EepromContext& ctx) : ctx_(ctx) { on_ = EnablePromAccess(ctx_); }
  ~PromAccessGuard() { Disable(); }
  PromAccessGuard(const PromAccessGuard&) = delete;
  PromAccessGuard& operator=(const PromAccessGuard&) = delete;

  bool On() const { return on_; }
  // DisablePromAccess's result the first time; true when access is already off.
  bool Disable() {
    const bool ok = !on_ || DisablePromAccess(ctx_);
    on_ = false;
    return ok;
  }

 private:
  EepromContext& ctx_;
  bool on_ = false;
};

}  // namespace rz::eeprom
