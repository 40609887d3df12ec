// SPDX-License-Identifier: GPL-3.0-or-later
// Emulated NVIDIA card: a sparse register window behind BAR0 with the registers the EEPROM
// engine uses, the PROM aperture at 0x300000 (routed to the EEPROM only while register 0x1850 holds
// 0), and a serial master that turns writes of the GPIO register into pin edges of a serial chip.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/devices/FlashChip.h"
#include "sim/devices/PciDevice.h"
#include "sim/devices/RegisterFile.h"

namespace rz::sim {

// True when the device id is one of the ids of the newer register layout (GPIO at 0xE204, serial
// strap bit 22): 12 blocks of 16 ids.
bool IsNewGpioLayoutDevice(std::uint16_t deviceId);

struct NvidiaCardConfig {
  bool newGpioLayout = false;           // normally IsNewGpioLayoutDevice(device id)
  std::optional<std::uint32_t> strap;   // raw strap register value instead of the default
  std::string imagePath;                // written back by Finish() when persist is set
  bool persist = false;
};

struct NvidiaCardCounters {
  std::uint64_t apertureReads = 0;
  std::uint64_t apertureWrites = 0;
  std::uint64_t apertureMisses = 0;  // aperture accesses that did not reach the EEPROM
  std::uint64_t gpioWrites = 0;
  std::uint64_t clockPulses = 0;     // rising clock edges while the chip was selected
  std::uint64_t frames = 0;          // chip select low periods
};

// One chip-select-low period as the pins saw it: the bits the program sent and the bits the chip
// drove, sampled on each rising clock edge (so `in` is what a program sampling before the pulse
// read), packed most significant bit first. A trailing partial byte is kept left-aligned.
struct SerialFrame {
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> in;
  std::uint64_t bits = 0;
};

class NvidiaCard : public PciDevice {
 public:
  static constexpr std::uint32_t kBootRegister = 0x000200;
  static constexpr std::uint32_t kGpioOld = 0x001204;
  static constexpr std::uint32_t kGpioNew = 0x00E204;
  static constexpr std::uint32_t kPromAccess = 0x001850;
  static constexpr std::uint32_t kRegisterC040 = 0x00C040;
  static constexpr std::uint32_t kStrap = 0x101000;
  static constexpr std::uint32_t kApertureBase = 0x300000;
  static constexpr std::uint32_t kApertureSize = 0x100000;  // the chip repeats inside it

  // Power-up values of the registers that have one; every other register reads 0 until written.
  static constexpr std::uint32_t kBootInitial = 0x20000113;  // bit 20 clear
  static constexpr std::uint32_t kC040Initial = 0x3C000A05;  // bits 28-29 set
  static constexpr std::uint32_t kGpioInitial = 0x00000A00;  // serial bits 0-4 clear
  static constexpr std::uint32_t kStrapFixedBits = 0x00008A4C;

  // `chip` may be null: a card without an EEPROM (the aperture reads 0xFF while routed to it).
  NvidiaCard(const PciIdentity& identity, std::unique_ptr<FlashChip> chip, NvidiaCardConfig config);

  std::uint8_t MmioRead8(std::uint32_t offset) override;
  void MmioWrite8(std::uint32_t offset, std::uint8_t value) override;
  std::uint32_t MmioRead32(std::uint32_t offset) override;
  void MmioWrite32(std::uint32_t offset, std::uint32_t value) override;
  // Writes the chip's whole contents back to the image file when the card persists it. Throws
  // ScenarioError when that fails.
  void Finish() override;

  // For tests and tools.
  FlashChip* Chip() { return chip_.get(); }
  const NvidiaCardConfig& Config() const { return config_; }
  std::uint32_t GpioOffset() const { return config_.newGpioLayout ? kGpioNew : kGpioOld; }
  // The stored value of a register (the strap's fixed value for 0x101000; the GPIO register
  // without the data-in bit).
  std::uint32_t Register(std::uint32_t offset) const;
  std::uint64_t RegisterWrites(std::uint32_t offset) const;
  bool BootBit20Set() const { return bootBit20Set_; }  // a write turned bit 20 of 0x200 on
  bool PromAccessOn() const { return registers_.NamedValue(kSlotPromAccess) == 0; }
  bool SerialEnabled() const { return (registers_.NamedValue(gpioSlot_) & 0x01) != 0; }
  const NvidiaCardCounters& Counters() const { return counters_; }
  // Optional log of serial frames (off by default; a flash of a large chip makes many frames).
  void RecordSerialFrames(bool on) { recordFrames_ = on; }
  const std::vector<SerialFrame>& SerialFrames() const { return frames_; }
  void ClearSerialFrames() { frames_.clear(); }
  // What the aperture answers when it is not routed to the EEPROM: a pattern unlike any ROM.
  static std::uint8_t NotRomByte(std::uint32_t apertureOffset);

 private:
  std::uint8_t ApertureRead(std::uint32_t at);
  void ApertureWrite(std::uint32_t at, std::uint8_t value);
  void WriteRegister(std::uint32_t offset, std::uint32_t value);
  void DriveSerialPins(std::uint32_t before, std::uint32_t after);

  std::unique_ptr<FlashChip> chip_;
  NvidiaCardConfig config_;
  std::uint32_t strap_ = 0;
  // Slots of the registers touched on every serial bit and aperture access, in the order of the
  // list registers_ is made with.
  enum Slot : std::size_t { kSlotGpioOld, kSlotGpioNew, kSlotPromAccess };
  RegisterFile registers_{kGpioOld, kGpioNew, kPromAccess, kBootRegister, kRegisterC040, kStrap};
  std::size_t gpioSlot_ = kSlotGpioOld;  // the slot of GpioOffset()
  NvidiaCardCounters counters_;
  bool recordFrames_ = false;
  std::vector<SerialFrame> frames_;
  bool bootBit20Set_ = false;
};

}  // namespace rz::sim
