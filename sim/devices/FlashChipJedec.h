// SPDX-License-Identifier: GPL-3.0-or-later
// Parallel JEDEC flash chip on the PROM aperture: software id entry (AA/55/90) and exit (AA/55/F0
// or a single F0), byte program (AA/55/A0, data) with DQ7 data polling, 128-byte page write
// (AA/55/A0, then byte loads until the load window closes), chip erase (AA/55/80/AA/55/10).
#pragma once
#include "sim/devices/FlashChip.h"

namespace rz::sim {

class FlashChipJedec : public FlashChip {
 public:
  FlashChipJedec(const ChipModel& model, const VirtualClock& clock, const ChipFaults& faults);

  std::uint8_t BusRead(std::uint32_t address) override;
  void BusWrite(std::uint32_t address, std::uint8_t value) override;
  void Settle(bool force = false) override;

  bool InIdMode() const { return idMode_; }
  bool Loading() const { return loading_; }

 private:
  enum class Cycle : std::uint8_t { Idle, Got1, Got2, ByteArmed, PageArmed, Erase3, Erase4, Erase5 };
  enum class Work : std::uint8_t { Program, Erase };

  bool At(std::uint32_t address, std::uint32_t command) const;
  void Decode(std::uint32_t address, std::uint8_t value);
  void Load(std::uint32_t address, std::uint8_t value);
  void CommitPage(std::uint64_t start);
  void ProgramByte(std::uint32_t address, std::uint8_t value);
  void ChipErase();
  // What the chip drives while it works: DQ7 the complement of the data (0 while erasing), DQ6
  // toggling on every read.
  std::uint8_t StatusRead();

  Cycle cycle_ = Cycle::Idle;
  Work work_ = Work::Program;
  bool idMode_ = false;
  bool toggle_ = false;
  std::uint8_t lastData_ = 0xFF;
  bool loading_ = false;
  std::uint32_t pageBase_ = 0;
  std::uint64_t lastLoad_ = 0;
  std::vector<std::uint8_t> pageData_;
  std::vector<bool> pageLoaded_;
};

}  // namespace rz::sim
