// SPDX-License-Identifier: GPL-3.0-or-later
// An emulated flash chip: its cell array, busy time on the virtual clock, injected faults and
// counters. The families (FlashChipJedec, FlashChipSpi) add the bus protocol; the card calls the
// parallel-bus or the serial-pin side depending on the chip's interface.
//
// Invariants: unprogrammed cells read 0xFF; programming only clears bits (AND); erase sets them.
// While busy, program and erase commands are ignored. After a power cut nothing changes any more.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "sim/devices/ChipModel.h"
#include "sim/devices/VirtualClock.h"

namespace rz::sim {

struct ChipFaults {
  bool stuckBusy = false;  // the first program/erase/status write never finishes
  // Byte ranges [first, last] whose cells will not program (they keep their value, 0xFF when erased).
  std::vector<std::pair<std::uint32_t, std::uint32_t>> stuckCells;
  // Byte ranges whose cells read differently each time the array is read (a weak cell); what they
  // hold, and Contents(), stay as programmed.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> unstableCells;
  std::optional<std::uint64_t> powerCutAfterBytes;  // bytes programmed before the power goes
  std::optional<std::uint64_t> powerCutAfterPages;  // page program / page write operations
  bool unknownIds = false;                          // the chip answers ids 0xC2, 0x99
};

struct ChipCounters {
  std::uint64_t bytesProgrammed = 0;  // cells written by any program operation
  std::uint64_t programOperations = 0;  // byte programs, page programs, page writes
  std::uint64_t pageOperations = 0;     // page programs and page writes
  std::uint64_t chipErases = 0;
  std::uint64_t statusWrites = 0;
  std::uint64_t idReads = 0;            // id mode entries / id commands answered
  std::uint64_t refused = 0;            // commands dropped: busy, no write enable, protected, malformed
  std::uint64_t lostToPowerCut = 0;     // operations dropped after the power cut
};

class FlashChip {
 public:
  FlashChip(ChipModel model, const VirtualClock& clock, ChipFaults faults);
  virtual ~FlashChip() = default;
  FlashChip(const FlashChip&) = delete;
  FlashChip& operator=(const FlashChip&) = delete;

  const ChipModel& Model() const { return model_; }
  std::uint32_t Size() const { return model_.size; }
  const ChipFaults& Faults() const { return faults_; }
  const ChipCounters& Counters() const { return counters_; }
  bool Busy() const;
  bool PowerCut() const { return powerCut_; }
  // The power goes now: what the chip has not finished is lost, and nothing changes any more.
  void CutPower() { powerCut_ = true; }
  // Calls `f` after each programmed byte (`bytes`) or page operation (otherwise) has changed the
  // cells, before a power cut the faults ask for: a test may cut the power there.
  void AfterEachOperation(bool bytes, std::function<void()> f) {
    operationHookOnBytes_ = bytes;
    afterOperation_ = std::move(f);
  }

  // The cell array after every pending operation has been settled.
  std::span<const std::uint8_t> Contents();
  // Fills the chip from offset 0 with `image` (cut to the chip size); the rest is erased.
  void Load(std::span<const std::uint8_t> image);
  // Completes pending work that waits for time to pass (a page load whose window has closed);
  // with `force`, also work whose time has not come yet (used when the machine is switched off).
  virtual void Settle(bool force = false) { (void)force; }

  // Parallel bus through the PROM aperture; `address` is already reduced to the chip size.
  virtual std::uint8_t BusRead(std::uint32_t address) = 0;
  virtual void BusWrite(std::uint32_t address, std::uint8_t value) = 0;

  // Serial pins (only serial chips react): chip select edges, clock edges, data out of the chip.
  virtual void PinSelect() {}
  virtual void PinDeselect() {}
  virtual void PinClockRise(bool mosi) { (void)mosi; }
  virtual void PinClockFall() {}
  virtual bool PinMiso() const { return true; }

 protected:
  std::uint64_t Now() const { return clock_.Now(); }
  // Busy for `durationNs` from `startNs` (default: now).
  void StartBusy(std::uint64_t durationNs, std::optional<std::uint64_t> startNs = std::nullopt);
  bool Stuck(std::uint32_t address) const;
  // A read of the cell array (`address` below the chip size), as an unstable cell answers it.
  std::uint8_t ArrayRead(std::uint32_t address);
  // False (and counted) when the power is already cut; the caller drops the operation.
  bool PowerOn();
  // One cell of a program operation: AND `value` in unless the cell is stuck or the power is cut.
  void ProgramCell(std::uint32_t address, std::uint8_t value);
  // Page operation bookkeeping, after its cells were written.
  void EndPageOperation();
  void EraseAll();
  void EraseRange(std::uint32_t first, std::uint32_t count);  // cells reset to 0xFF
  std::vector<std::uint8_t>& Cells() { return cells_; }
  ChipCounters& MutableCounters() { return counters_; }

  ChipModel model_;

 private:
  const VirtualClock& clock_;
  ChipFaults faults_;
  ChipCounters counters_;
  std::vector<std::uint8_t> cells_;
  std::uint64_t busyUntil_ = 0;
  bool stuckForever_ = false;
  std::uint64_t unstableReads_ = 0;
  bool powerCut_ = false;
  bool operationHookOnBytes_ = false;
  std::function<void()> afterOperation_;
};

// Builds the chip of the model's family.
std::unique_ptr<FlashChip> MakeFlashChip(const ChipModel& model, const VirtualClock& clock,
                                         const ChipFaults& faults);

}  // namespace rz::sim
