// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/devices/FlashChipJedec.h"

#include <algorithm>

namespace rz::sim {

FlashChipJedec::FlashChipJedec(const ChipModel& model, const VirtualClock& clock,
                               const ChipFaults& faults)
    : FlashChip(model, clock, faults),
      pageData_(std::max<std::uint32_t>(model.pageSize, 1), 0xFF),
      pageLoaded_(pageData_.size(), false) {}

bool FlashChipJedec::At(std::uint32_t address, std::uint32_t command) const {
  const std::uint32_t mask = model_.commandAddressMask;
  return (address & mask) == (command & mask);
}

std::uint8_t FlashChipJedec::StatusRead() {
  toggle_ = !toggle_;
  const std::uint8_t dq6 = toggle_ ? 0x40 : 0x00;
  if (work_ == Work::Erase) return dq6;
  return static_cast<std::uint8_t>((~lastData_ & 0x80) | dq6 | (lastData_ & 0x3F));
}

void FlashChipJedec::Settle(bool force) {
  if (!loading_) return;
  const std::uint64_t closes = lastLoad_ + model_.timings.pageLoadWindowNs;
  if (force || Now() > closes) CommitPage(std::min(closes, Now()));
}

std::uint8_t FlashChipJedec::BusRead(std::uint32_t address) {
  Settle();
  // During the load phase the chip already reports the write in progress.
  if (loading_ || Busy()) return StatusRead();
  if (idMode_) return (address & 1) ? model_.deviceId : model_.manufacturerId;
  return ArrayRead(address % Size());
}

void FlashChipJedec::BusWrite(std::uint32_t address, std::uint8_t value) {
  Settle();
  address %= Size();
  if (loading_) {
    Load(address, value);
    return;
  }
  if (Busy()) {
    ++MutableCounters().refused;
    cycle_ = Cycle::Idle;
    return;
  }
  Decode(address, value);
}

void FlashChipJedec::Decode(std::uint32_t address, std::uint8_t value) {
  const bool armed = cycle_ == Cycle::ByteArmed || cycle_ == Cycle::PageArmed;
  if (!armed && value == 0xF0) {  // reset / id exit, at any address and in any command state
    idMode_ = false;
    cycle_ = Cycle::Idle;
    return;
  }
  switch (cycle_) {
    case Cycle::Idle:
      if (At(address, 0x5555) && value == 0xAA) cycle_ = Cycle::Got1;
      else ++MutableCounters().refused;  // a plain write: software data protection drops it
      break;
    case Cycle::Got1:
      if (At(address, 0x2AAA) && value == 0x55) cycle_ = Cycle::Got2;
      else cycle_ = (At(address, 0x5555) && value == 0xAA) ? Cycle::Got1 : Cycle::Idle;
      break;
    case Cycle::Got2:
      cycle_ = Cycle::Idle;
      if (!At(address, 0x5555)) break;
      if (value == 0xA0)
        cycle_ = model_.family == ChipFamily::JedecPageWrite ? Cycle::PageArmed : Cycle::ByteArmed;
      else if (value == 0x90) {
        idMode_ = true;
        ++MutableCounters().idReads;
      } else if (value == 0x80) {
        cycle_ = Cycle::Erase3;
      }
      break;
    case Cycle::ByteArmed:
      cycle_ = Cycle::Idle;
      ProgramByte(address, value);
      break;
    case Cycle::PageArmed:
      cycle_ = Cycle::Idle;
      loading_ = true;
      pageBase_ = address & ~(static_cast<std::uint32_t>(pageData_.size()) - 1);
      std::fill(pageLoaded_.begin(), pageLoaded_.end(), false);
      Load(address, value);
      break;
    case Cycle::Erase3:
      cycle_ = (At(address, 0x5555) && value == 0xAA) ? Cycle::Erase4 : Cycle::Idle;
      break;
    case Cycle::Erase4:
      cycle_ = (At(address, 0x2AAA) && value == 0x55) ? Cycle::Erase5 : Cycle::Idle;
      break;
    case Cycle::Erase5:
      cycle_ = Cycle::Idle;
      if (At(address, 0x5555) && value == 0x10) ChipErase();
      break;
  }
}

// A byte load of a page write. The page is the one of the first load; later loads land at their
// position inside it (their upper address bits are not looked at).
void FlashChipJedec::Load(std::uint32_t address, std::uint8_t value) {
  const std::size_t at = address & (pageData_.size() - 1);
  pageData_[at] = value;
  pageLoaded_[at] = true;
  lastData_ = value;
  lastLoad_ = Now();
}

// The write cycle: the page is erased and every loaded byte written; bytes not loaded read 0xFF.
void FlashChipJedec::CommitPage(std::uint64_t start) {
  loading_ = false;
  if (!PowerOn()) return;
  EraseRange(pageBase_, static_cast<std::uint32_t>(pageData_.size()));
  for (std::size_t i = 0; i < pageData_.size(); ++i)
    if (pageLoaded_[i]) ProgramCell(pageBase_ + static_cast<std::uint32_t>(i), pageData_[i]);
  ++MutableCounters().programOperations;
  EndPageOperation();
  work_ = Work::Program;
  StartBusy(model_.timings.pageWriteNs, start);
}

void FlashChipJedec::ProgramByte(std::uint32_t address, std::uint8_t value) {
  if (!PowerOn()) return;
  ProgramCell(address, value);
  ++MutableCounters().programOperations;
  lastData_ = value;
  work_ = Work::Program;
  StartBusy(model_.timings.byteProgramNs);
}

void FlashChipJedec::ChipErase() {
  if (!PowerOn()) return;
  EraseAll();
  ++MutableCounters().chipErases;
  work_ = Work::Erase;
  StartBusy(model_.timings.chipEraseNs);
}

}  // namespace rz::sim
