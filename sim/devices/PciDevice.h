// SPDX-License-Identifier: GPL-3.0-or-later
// One PCI function (function 0) of the emulated bus: a 256-byte configuration space with a writable
// command register, base-address registers that answer the sizing protocol as a device's do (the
// bits below a BAR's size and its type bits read back fixed, so all ones written read back as the
// size mask), a capability list, and an optional memory window behind BAR0 that subclasses (the
// cards) serve.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "base/LittleEndian.h"

namespace rz::sim {

struct PciIdentity {
  std::uint16_t vendorId = 0xFFFF;
  std::uint16_t deviceId = 0xFFFF;
  std::uint32_t classCode = 0x030000;  // class, subclass, programming interface (24 bits)
  std::uint8_t revision = 0;
  std::uint16_t subsystemVendorId = 0;
  std::uint16_t subsystemId = 0;
  // BAR0: 32-bit memory, not prefetchable; the window the device serves.
  std::uint32_t bar0 = 0;        // base address
  std::uint32_t bar0Size = 0;    // power of two (at least 16), 0 for none
  // BAR1 with BAR2 as its upper half: 64-bit prefetchable memory (a framebuffer), not served.
  std::uint64_t framebuffer = 0;
  std::uint32_t framebufferSize = 0;  // power of two (at least 16), 0 for none
  // The expansion-ROM BAR (offset 0x30), its enable bit clear; not served.
  std::uint32_t romSize = 0;          // power of two (at least 2 KiB), 0 for none
  std::vector<std::uint8_t> capabilities = {0x10};  // capability ids in list order
  bool loopingCapabilities = false;  // the last capability points back to the first
};

class PciDevice {
 public:
  explicit PciDevice(const PciIdentity& identity);
  virtual ~PciDevice() = default;

  std::uint32_t ConfigRead(std::uint8_t offset) const;
  void ConfigWrite(std::uint8_t offset, std::uint32_t value);

  const PciIdentity& Identity() const { return identity_; }
  std::uint16_t Command() const { return static_cast<std::uint16_t>(Dword(0x04)); }
  std::uint16_t Status() const { return static_cast<std::uint16_t>(Dword(0x04) >> 16); }
  bool MemoryDecoding() const { return (Command() & 0x0002) != 0; }
  std::uint32_t Bar0() const { return Dword(0x10) & 0xFFFFFFF0u; }

  // Called when the emulated program ends (cards write back persistent EEPROM images here and
  // throw ScenarioError when that fails).
  virtual void Finish() {}

  // Raw access to the configuration space, for scenarios that need odd contents.
  void SetConfigDword(std::uint8_t offset, std::uint32_t value);

  // The memory window behind BAR0; offsets are relative to BAR0. Default: nothing answers.
  virtual std::uint8_t MmioRead8(std::uint32_t offset) { (void)offset; return 0xFF; }
  virtual void MmioWrite8(std::uint32_t offset, std::uint8_t value) { (void)offset; (void)value; }
  virtual std::uint32_t MmioRead32(std::uint32_t offset) { (void)offset; return 0xFFFFFFFFu; }
  virtual void MmioWrite32(std::uint32_t offset, std::uint32_t value) { (void)offset; (void)value; }

 private:
  std::uint32_t Dword(std::uint8_t offset) const { return le::Get32(&config_[offset & 0xFC]); }
  // The writable bits of BAR0-5 (0x10-0x24) and of the expansion-ROM BAR (0x30, index 6); an
  // unimplemented BAR has none and reads 0.
  static std::size_t BarIndex(std::uint8_t offset);
  PciIdentity identity_;
  std::array<std::uint8_t, 256> config_{};
  std::array<std::uint32_t, 7> barWritable_{};
};

}  // namespace rz::sim
