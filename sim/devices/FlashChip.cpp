// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/devices/FlashChip.h"

#include <algorithm>

#include "sim/devices/FlashChipJedec.h"
#include "sim/devices/FlashChipSpi.h"

namespace rz::sim {

namespace {

constexpr std::uint8_t kUnknownManufacturer = 0xC2;
constexpr std::uint8_t kUnknownDevice = 0x99;

}  // namespace

FlashChip::FlashChip(ChipModel model, const VirtualClock& clock, ChipFaults faults)
    : model_(std::move(model)), clock_(clock), faults_(std::move(faults)),
      cells_(model_.size, 0xFF) {
  if (faults_.unknownIds) {
    // Every id path answers the unknown pair; serial parts answer it only to Read-ID 0xAB.
    model_.manufacturerId = kUnknownManufacturer;
    model_.deviceId = kUnknownDevice;
    model_.reply15 = {};
    model_.reply90 = {};
    model_.replyAB = IdReply{{kUnknownManufacturer, kUnknownDevice}, true, true, false};
  }
}

bool FlashChip::Busy() const { return stuckForever_ || clock_.Now() < busyUntil_; }

std::span<const std::uint8_t> FlashChip::Contents() {
  Settle();
  return cells_;
}

void FlashChip::Load(std::span<const std::uint8_t> image) {
  std::fill(cells_.begin(), cells_.end(), 0xFF);
  const std::size_t n = std::min<std::size_t>(image.size(), cells_.size());
  std::copy_n(image.begin(), n, cells_.begin());
}

void FlashChip::StartBusy(std::uint64_t durationNs, std::optional<std::uint64_t> startNs) {
  if (faults_.stuckBusy) stuckForever_ = true;
  busyUntil_ = std::max(busyUntil_, startNs.value_or(clock_.Now()) + durationNs);
}

bool FlashChip::Stuck(std::uint32_t address) const {
  return std::any_of(faults_.stuckCells.begin(), faults_.stuckCells.end(),
                     [&](const auto& r) { return address >= r.first && address <= r.second; });
}

std::uint8_t FlashChip::ArrayRead(std::uint32_t address) {
  const bool unstable =
      std::any_of(faults_.unstableCells.begin(), faults_.unstableCells.end(),
                  [&](const auto& r) { return address >= r.first && address <= r.second; });
  if (!unstable) return cells_[address];
  // Every read of a weak cell answers another wrong value, 255 reads before one comes again.
  return static_cast<std::uint8_t>(cells_[address] ^ (1 + unstableReads_++ % 255));
}

bool FlashChip::PowerOn() {
  if (!powerCut_) return true;
  ++counters_.lostToPowerCut;
  return false;
}

void FlashChip::ProgramCell(std::uint32_t address, std::uint8_t value) {
  if (powerCut_) return;
  address %= model_.size;
  if (!Stuck(address)) cells_[address] &= value;
  ++counters_.bytesProgrammed;
  if (afterOperation_ && operationHookOnBytes_) afterOperation_();
  if (faults_.powerCutAfterBytes && counters_.bytesProgrammed >= *faults_.powerCutAfterBytes)
    powerCut_ = true;
}

void FlashChip::EndPageOperation() {
  ++counters_.pageOperations;
  if (afterOperation_ && !operationHookOnBytes_) afterOperation_();
  if (faults_.powerCutAfterPages && counters_.pageOperations >= *faults_.powerCutAfterPages)
    powerCut_ = true;
}

void FlashChip::EraseAll() { EraseRange(0, model_.size); }

void FlashChip::EraseRange(std::uint32_t first, std::uint32_t count) {
  if (first >= cells_.size()) return;
  count = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(cells_.size()) - first);
  std::fill_n(cells_.begin() + first, count, 0xFF);
}

std::unique_ptr<FlashChip> MakeFlashChip(const ChipModel& model, const VirtualClock& clock,
                                         const ChipFaults& faults) {
  if (model.interface == ChipInterface::Parallel)
    return std::make_unique<FlashChipJedec>(model, clock, faults);
  return std::make_unique<FlashChipSpi>(model, clock, faults);
}

}  // namespace rz::sim
