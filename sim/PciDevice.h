// One PCI function (function 0) of the emulated bus: a 256-byte configuration space with a writable
// command register and BAR0 (with size probing), a capability list, and an optional memory window
// behind BAR0 that subclasses (the cards) serve.
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
  std::uint32_t bar0 = 0;        // memory base address
  std::uint32_t bar0Size = 0;    // size of the window behind BAR0 (power of two), 0 for none
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
  PciIdentity identity_;
  std::array<std::uint8_t, 256> config_{};
  bool barProbe_ = false;
};

}  // namespace rz::sim
