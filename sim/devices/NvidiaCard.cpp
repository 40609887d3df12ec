// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/devices/NvidiaCard.h"

#include <array>

#include "sim/scenario/ImageFile.h"

namespace rz::sim {

namespace {

constexpr std::uint32_t kSerialEnable = 0x01;
constexpr std::uint32_t kChipSelectHigh = 0x02;
constexpr std::uint32_t kClock = 0x04;
constexpr std::uint32_t kDataOut = 0x08;
constexpr std::uint32_t kDataIn = 0x10;

constexpr std::uint32_t kStrapSerialNew = 0x00400000;  // bit 22
constexpr std::uint32_t kStrapSerialOld = 0x20000000;  // bit 29 (bit 30 is the other one)
constexpr std::uint32_t kStrapOldBit30 = 0x40000000;

constexpr std::array<std::uint16_t, 12> kNewLayoutBlocks = {
    0x0190, 0x0400, 0x0420, 0x0610, 0x06E0, 0x0620, 0x0600, 0x0640, 0x0650, 0x05E0, 0x0A60, 0x0A20};

struct Pins {
  bool selected;
  bool clock;
  bool dataOut;
};

Pins Decode(std::uint32_t gpio) {
  const bool enabled = (gpio & kSerialEnable) != 0;
  return Pins{enabled && !(gpio & kChipSelectHigh), enabled && (gpio & kClock) != 0,
              (gpio & kDataOut) != 0};
}

}  // namespace

bool IsNewGpioLayoutDevice(std::uint16_t deviceId) {
  for (std::uint16_t base : kNewLayoutBlocks)
    if (deviceId >= base && deviceId <= base + 0xF) return true;
  return false;
}

NvidiaCard::NvidiaCard(const PciIdentity& identity, std::unique_ptr<FlashChip> chip,
                       NvidiaCardConfig config)
    : PciDevice(identity),
      chip_(std::move(chip)),
      config_(std::move(config)),
      gpioSlot_(config_.newGpioLayout ? kSlotGpioNew : kSlotGpioOld) {
  registers_.Preset(kBootRegister, kBootInitial);
  registers_.Preset(kRegisterC040, kC040Initial);
  registers_.Preset(kGpioOld, kGpioInitial);
  registers_.Preset(kGpioNew, kGpioInitial);
  registers_.Preset(kPromAccess, 1);
  // The strap says serial or parallel in the bits of the card's own layout; the bits of the other
  // layout say the opposite, so a program that tests the wrong bits gets the wrong answer.
  const bool serial = chip_ && chip_->Model().interface == ChipInterface::Spi;
  if (config_.strap) {
    strap_ = *config_.strap;
  } else if (config_.newGpioLayout) {
    strap_ = kStrapFixedBits | (serial ? kStrapSerialNew : kStrapOldBit30);
  } else {
    strap_ = kStrapFixedBits | (serial ? kStrapSerialOld : kStrapSerialNew);
  }
}

std::uint8_t NvidiaCard::NotRomByte(std::uint32_t at) {
  return static_cast<std::uint8_t>((at * 0x1F) ^ 0x3C);
}

std::uint32_t NvidiaCard::Register(std::uint32_t offset) const {
  if (offset == kStrap) return strap_;
  return registers_.Value(offset);
}

std::uint64_t NvidiaCard::RegisterWrites(std::uint32_t offset) const {
  return registers_.Writes(offset);
}

std::uint8_t NvidiaCard::ApertureRead(std::uint32_t at) {
  ++counters_.apertureReads;
  if (!PromAccessOn()) {
    ++counters_.apertureMisses;
    return NotRomByte(at);
  }
  if (!chip_) return 0xFF;
  // A serial chip is read by the card's ROM reader, which owns the pins only while the program
  // has released the serial interface.
  if (chip_->Model().interface == ChipInterface::Spi && SerialEnabled()) {
    ++counters_.apertureMisses;
    return NotRomByte(at);
  }
  return chip_->BusRead(at % chip_->Size());
}

void NvidiaCard::ApertureWrite(std::uint32_t at, std::uint8_t value) {
  ++counters_.apertureWrites;
  if (!PromAccessOn() || !chip_) {
    ++counters_.apertureMisses;
    return;
  }
  chip_->BusWrite(at % chip_->Size(), value);
}

std::uint8_t NvidiaCard::MmioRead8(std::uint32_t offset) {
  if (offset - kApertureBase < kApertureSize) return ApertureRead(offset - kApertureBase);
  return static_cast<std::uint8_t>(MmioRead32(offset & ~3u) >> (8 * (offset & 3)));
}

void NvidiaCard::MmioWrite8(std::uint32_t offset, std::uint8_t value) {
  if (offset - kApertureBase < kApertureSize) return ApertureWrite(offset - kApertureBase, value);
  const std::uint32_t aligned = offset & ~3u;
  const unsigned shift = 8 * (offset & 3);
  const std::uint32_t merged =
      (Register(aligned) & ~(0xFFu << shift)) | (std::uint32_t{value} << shift);
  WriteRegister(aligned, merged);
}

std::uint32_t NvidiaCard::MmioRead32(std::uint32_t offset) {
  if (offset - kApertureBase < kApertureSize) {
    std::uint32_t v = 0;
    for (std::uint32_t i = 0; i < 4; ++i)
      v |= std::uint32_t{ApertureRead((offset - kApertureBase + i) % kApertureSize)} << (8 * i);
    return v;
  }
  if (offset == GpioOffset()) {
    std::uint32_t v = registers_.NamedValue(gpioSlot_) & ~kDataIn;
    if ((v & kSerialEnable) && chip_ && chip_->PinMiso()) v |= kDataIn;
    return v;
  }
  return Register(offset);
}

void NvidiaCard::MmioWrite32(std::uint32_t offset, std::uint32_t value) {
  if (offset - kApertureBase < kApertureSize) {
    // The aperture takes byte cycles only; a wide write does not reach the chip.
    ++counters_.apertureWrites;
    ++counters_.apertureMisses;
    return;
  }
  WriteRegister(offset, value);
}

void NvidiaCard::WriteRegister(std::uint32_t offset, std::uint32_t value) {
  if (offset == GpioOffset()) {
    const std::uint32_t before = registers_.NamedValue(gpioSlot_);
    value &= ~kDataIn;  // an input bit: writes do not stick
    registers_.WriteNamed(gpioSlot_, value);
    ++counters_.gpioWrites;
    DriveSerialPins(before, value);
    return;
  }
  if (offset == kStrap) {  // read only: the write is counted, the value stays
    registers_.Write(offset, value, false);
    return;
  }
  const std::uint32_t before = Register(offset);
  if (offset == kBootRegister && !(before & 0x00100000u) && (value & 0x00100000u))
    bootBit20Set_ = true;
  registers_.Write(offset, value);
}

// Chip select falls before and rises after the clock edges of the same write; data is sampled on
// the rising clock edge, the chip changes its output on the falling edge.
void NvidiaCard::DriveSerialPins(std::uint32_t before, std::uint32_t after) {
  // The data line alone changing is no edge the chip sees (it samples data on the clock).
  if (!chip_ || ((before ^ after) & (kSerialEnable | kChipSelectHigh | kClock)) == 0) return;
  const Pins was = Decode(before);
  const Pins now = Decode(after);
  if (!was.selected && now.selected) {
    ++counters_.frames;
    if (recordFrames_) frames_.emplace_back();
    chip_->PinSelect();
  }
  if (now.selected) {
    if (!was.clock && now.clock) {
      ++counters_.clockPulses;
      if (recordFrames_ && !frames_.empty()) {
        SerialFrame& f = frames_.back();
        const unsigned pos = static_cast<unsigned>(f.bits % 8);
        if (pos == 0) {
          f.out.push_back(0);
          f.in.push_back(0);
        }
        if (now.dataOut) f.out.back() = static_cast<std::uint8_t>(f.out.back() | (0x80 >> pos));
        if (chip_->PinMiso()) f.in.back() = static_cast<std::uint8_t>(f.in.back() | (0x80 >> pos));
        ++f.bits;
      }
      chip_->PinClockRise(now.dataOut);
    } else if (was.clock && !now.clock) {
      chip_->PinClockFall();
    }
  }
  if (was.selected && !now.selected) chip_->PinDeselect();
}

void NvidiaCard::Finish() {
  if (!chip_) return;
  chip_->Settle(true);
  if (!config_.persist || config_.imagePath.empty()) return;
  WriteImageFile(config_.imagePath, chip_->Contents());
}

}  // namespace rz::sim
