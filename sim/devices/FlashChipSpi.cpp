// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/devices/FlashChipSpi.h"

#include <algorithm>

namespace rz::sim {

namespace {

constexpr std::uint8_t kReadStatus = 0x05;
constexpr std::uint8_t kWriteEnable = 0x06;
constexpr std::uint8_t kWriteDisable = 0x04;
constexpr std::uint8_t kEnableWriteStatus = 0x50;
constexpr std::uint8_t kWriteStatus = 0x01;
constexpr std::uint8_t kPageProgram = 0x02;
constexpr std::uint8_t kAutoAddressProgram = 0xAF;
constexpr std::uint8_t kByteProgram45 = 0x10;
constexpr std::uint8_t kReadId15 = 0x15;
constexpr std::uint8_t kReadIdAB = 0xAB;
constexpr std::uint8_t kReadId90 = 0x90;
constexpr std::uint8_t kEraseConfirm = 0xD0;

}  // namespace

FlashChipSpi::FlashChipSpi(const ChipModel& model, const VirtualClock& clock,
                           const ChipFaults& faults)
    : FlashChip(model, clock, faults),
      pageLatch_(std::max<std::uint32_t>(model.pageSize, 1), 0xFF),
      pageLoaded_(pageLatch_.size(), false) {
  const auto all = static_cast<std::uint8_t>((1u << model_.quirks.blockProtectBits) - 1);
  bp_ = static_cast<std::uint8_t>(
      model_.startBlockProtect.value_or(model_.quirks.powerUpProtected ? all : 0) & all);
}

std::uint8_t FlashChipSpi::Status() const {
  std::uint8_t s = static_cast<std::uint8_t>(bp_ << 2);
  if (Busy()) s |= 0x01;
  if (wel_) s |= 0x02;
  if (aai_) s |= 0x40;
  if (statusWriteDisable_) s |= 0x80;
  return s;
}

// The card's ROM reader fetches the array itself; a chip that is working does not answer it.
std::uint8_t FlashChipSpi::BusRead(std::uint32_t address) {
  if (Busy()) return 0xFF;
  return ArrayRead(address % Size());
}

void FlashChipSpi::BusWrite(std::uint32_t, std::uint8_t) { ++MutableCounters().refused; }

void FlashChipSpi::PinSelect() {
  if (selected_) return;
  selected_ = true;
  bits_ = 0;
  in_ = 0;
  outShift_ = 0xFF;
  nextOut_ = 0xFF;
  miso_ = true;
  frame_.clear();
  frameBytes_ = 0;
  busyAtStart_ = false;
  std::fill(pageLoaded_.begin(), pageLoaded_.end(), false);
}

void FlashChipSpi::PinDeselect() {
  if (!selected_) return;
  selected_ = false;
  miso_ = true;
  if (frameBytes_ == 0) return;
  if (bits_ % 8 != 0) {  // chip select rose inside a byte: real parts drop the command
    ++MutableCounters().refused;
    return;
  }
  Commit();
}

void FlashChipSpi::PinClockRise(bool mosi) {
  if (!selected_) return;
  in_ = static_cast<std::uint8_t>((in_ << 1) | (mosi ? 1 : 0));
  ++bits_;
  if (bits_ % 8 == 0) {
    OnByte(in_);
    nextOut_ = NextReply();
  }
}

void FlashChipSpi::PinClockFall() {
  if (!selected_ || bits_ == 0) return;
  const unsigned k = static_cast<unsigned>(bits_ % 8);
  if (k == 0) outShift_ = nextOut_;
  miso_ = ((outShift_ >> (7 - k)) & 1) != 0;
}

void FlashChipSpi::OnByte(std::uint8_t value) {
  if (frameBytes_ == 0) busyAtStart_ = Busy();
  const std::size_t index = frameBytes_++;
  if (frame_.size() < kKeptFrameBytes) frame_.push_back(value);
  if (frame_[0] == kPageProgram && index >= 4) {
    // The page latch wraps: bytes beyond the page end start again at the page's beginning.
    const std::size_t ps = pageLatch_.size();
    const std::size_t at = (FrameAddress() % ps + (index - 4)) % ps;
    pageLatch_[at] = value;
    pageLoaded_[at] = true;
  }
}

std::uint8_t FlashChipSpi::NextReply() {
  const std::uint8_t op = frame_[0];
  if (op == kReadStatus) return Status();
  if (busyAtStart_ || aai_) return 0xFF;
  if (op == kReadId15) return IdReplyByte(model_.reply15);
  if (op == kReadIdAB) return IdReplyByte(model_.replyAB);
  if (op == kReadId90) return IdReplyByte(model_.reply90);
  return 0xFF;
}

std::uint8_t FlashChipSpi::IdReplyByte(const IdReply& r) {
  const std::size_t header = r.addressed ? 4 : 1;
  if (r.bytes.empty() || frameBytes_ < header) return 0xFF;
  if (frameBytes_ == header) ++MutableCounters().idReads;
  const std::size_t start = (r.addressed && (frame_[3] & 1)) ? 1 : 0;
  const std::size_t k = frameBytes_ - header;
  auto raw = [&](std::size_t i) -> std::uint8_t {
    i += start;
    if (r.repeat) return r.bytes[i % r.bytes.size()];
    return i < r.bytes.size() ? r.bytes[i] : 0xFF;
  };
  if (!r.lateByOneBit) return raw(k);
  const std::uint8_t carry = k == 0 ? 0 : static_cast<std::uint8_t>(raw(k - 1) & 1);
  return static_cast<std::uint8_t>((carry << 7) | (raw(k) >> 1));
}

std::uint32_t FlashChipSpi::FrameAddress() const {
  if (frame_.size() < 4) return 0;
  const std::uint32_t a = (std::uint32_t{frame_[1]} << 16) | (std::uint32_t{frame_[2]} << 8) | frame_[3];
  return a % Size();  // upper address bits are not decoded: the array repeats
}

bool FlashChipSpi::Protected(std::uint32_t address) const {
  const unsigned bits = model_.quirks.blockProtectBits;
  if (bits == 0 || bp_ == 0) return false;
  const unsigned all = (1u << bits) - 1;
  if (bp_ >= all) return true;
  const std::uint32_t protectedSize = Size() >> (all - bp_);
  return address >= Size() - protectedSize;
}

void FlashChipSpi::Commit() {
  const std::uint8_t op = frame_[0];
  const std::size_t n = frameBytes_;
  const bool ewsr = ewsrArmed_;
  ewsrArmed_ = false;
  if (op == kReadStatus || op == kReadId15 || op == kReadIdAB || op == kReadId90) return;
  auto refuse = [&] { ++MutableCounters().refused; };
  if (busyAtStart_) return refuse();
  if (aai_ && op != kAutoAddressProgram && op != kWriteDisable) return refuse();
  const auto& q = model_.quirks;
  switch (op) {
    case kWriteEnable:
      if (n == 1) wel_ = true;
      return;
    case kWriteDisable:
      if (n == 1) {
        wel_ = false;
        aai_ = false;
      }
      return;
    case kEnableWriteStatus:
      if (q.statusWriteByEwsr && n == 1) ewsrArmed_ = true;
      return;
    case kWriteStatus:
      if (n < 2 || !(wel_ || (q.statusWriteByEwsr && ewsr))) return refuse();
      WriteStatus(frame_[1]);
      return;
    case kPageProgram:
      if (n < 5 || !wel_) return refuse();
      ProgramPage();
      return;
    case kAutoAddressProgram:
      if (!q.autoAddressIncrement) break;
      if (!aai_) {
        if (n < 5 || !wel_) return refuse();
        aai_ = true;
        aaiAddress_ = FrameAddress();
        ProgramOne(aaiAddress_, frame_[4]);
      } else {
        if (n < 2) return refuse();
        ProgramOne(aaiAddress_, frame_[1]);
      }
      if (++aaiAddress_ >= Size()) {  // the mode ends at the top of the array
        aai_ = false;
        wel_ = false;
      }
      return;
    case kByteProgram45:
      if (!q.byteProgram10) break;
      if (n < 5) return refuse();
      ProgramOne(FrameAddress(), frame_[4]);
      return;
    default:
      break;
  }
  if (std::find(model_.eraseOpcodes.begin(), model_.eraseOpcodes.end(), op) !=
      model_.eraseOpcodes.end()) {
    const bool shapeOk = q.eraseNeedsConfirm ? (n >= 5 && frame_[4] == kEraseConfirm) : n == 1;
    if (!shapeOk || !wel_) return refuse();
    EraseChip();
    return;
  }
  refuse();  // an opcode this part does not know
}

void FlashChipSpi::WriteStatus(std::uint8_t value) {
  wel_ = false;
  if (!PowerOn()) return;
  const unsigned bits = model_.quirks.blockProtectBits;
  bp_ = static_cast<std::uint8_t>((value >> 2) & ((1u << bits) - 1));
  if (model_.family == ChipFamily::Spi25) statusWriteDisable_ = (value & 0x80) != 0;
  ++MutableCounters().statusWrites;
  StartBusy(model_.timings.statusWriteNs);
}

void FlashChipSpi::ProgramPage() {
  const std::uint32_t address = FrameAddress();
  const std::uint32_t ps = static_cast<std::uint32_t>(pageLatch_.size());
  const std::uint32_t base = address - address % ps;
  if (Protected(base)) {
    ++MutableCounters().refused;
    return;
  }
  wel_ = false;
  if (!PowerOn()) return;
  for (std::uint32_t i = 0; i < ps; ++i)
    if (pageLoaded_[i]) ProgramCell(base + i, pageLatch_[i]);
  ++MutableCounters().programOperations;
  if (ps > 1) EndPageOperation();
  StartBusy(model_.timings.pageProgramNs);
}

void FlashChipSpi::ProgramOne(std::uint32_t address, std::uint8_t value) {
  if (Protected(address)) {
    ++MutableCounters().refused;
    return;
  }
  if (!PowerOn()) return;
  ProgramCell(address, value);
  ++MutableCounters().programOperations;
  StartBusy(model_.timings.byteProgramNs);
}

void FlashChipSpi::EraseChip() {
  if (bp_ != 0) {  // any protected block blocks the chip erase
    ++MutableCounters().refused;
    return;
  }
  wel_ = false;
  if (!PowerOn()) return;
  EraseAll();
  ++MutableCounters().chipErases;
  StartBusy(model_.timings.chipEraseNs);
}

}  // namespace rz::sim
