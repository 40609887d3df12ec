// SPDX-License-Identifier: GPL-3.0-or-later
// Serial (SPI mode 0) flash chip on the card's bit-banged pins. Bits are sampled on the rising clock
// edge, the reply bit changes on the falling edge (most significant bit first), and write-type
// commands take effect when chip select rises after a whole number of bytes, as on real parts.
// Commands: 0x05 status, 0x06/0x04 write enable/disable, 0x50 enable status write, 0x01 status
// write, 0x02 page program, 0xAF auto-address-increment program, 0x10 45-series byte program, the
// model's chip erase opcodes, and the id reads 0x15, 0xAB, 0x90 as the model answers them.
// The PROM aperture reads the array directly (the card's ROM reader), except while the chip works.
#pragma once
#include "sim/devices/FlashChip.h"

namespace rz::sim {

class FlashChipSpi : public FlashChip {
 public:
  FlashChipSpi(const ChipModel& model, const VirtualClock& clock, const ChipFaults& faults);

  std::uint8_t BusRead(std::uint32_t address) override;
  void BusWrite(std::uint32_t address, std::uint8_t value) override;

  void PinSelect() override;
  void PinDeselect() override;
  void PinClockRise(bool mosi) override;
  void PinClockFall() override;
  bool PinMiso() const override { return miso_; }

  // Bit 0 busy, bit 1 write-enable latch, bits 2 up the block-protect field, bit 6 the
  // auto-address-increment mode, bit 7 the status-write-disable bit of 25-series parts (SRWD, WPEN
  // or BPL: kept as written; the cards tie WP# high, so it locks nothing).
  std::uint8_t Status() const;
  std::uint8_t BlockProtect() const { return bp_; }
  bool Selected() const { return selected_; }
  bool InAutoAddressMode() const { return aai_; }

 private:
  static constexpr std::size_t kKeptFrameBytes = 8;  // command, address, first data bytes

  void OnByte(std::uint8_t value);
  // The byte to shift out during the next 8 clocks, after the bytes clocked in so far.
  std::uint8_t NextReply();
  std::uint8_t IdReplyByte(const IdReply& reply);
  void Commit();
  std::uint32_t FrameAddress() const;
  bool Protected(std::uint32_t address) const;
  void ProgramPage();
  void ProgramOne(std::uint32_t address, std::uint8_t value);
  void EraseChip();
  void WriteStatus(std::uint8_t value);

  bool selected_ = false;
  bool miso_ = true;
  std::uint64_t bits_ = 0;  // clocks since select
  std::uint8_t in_ = 0;
  std::uint8_t outShift_ = 0xFF;
  std::uint8_t nextOut_ = 0xFF;
  bool busyAtStart_ = false;
  std::vector<std::uint8_t> frame_;  // the first kKeptFrameBytes bytes of the frame
  std::size_t frameBytes_ = 0;       // bytes clocked in
  std::vector<std::uint8_t> pageLatch_;  // page program data, wrapping inside the page
  std::vector<bool> pageLoaded_;

  bool wel_ = false;
  bool ewsrArmed_ = false;  // the previous frame was 0x50
  std::uint8_t bp_ = 0;     // block-protect bits (status bits 2 up, right-aligned here)
  bool statusWriteDisable_ = false;  // status bit 7
  bool aai_ = false;
  std::uint32_t aaiAddress_ = 0;
};

}  // namespace rz::sim
