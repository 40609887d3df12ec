// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/Programming.h"

#include <algorithm>

#include "eeprom/ChipCommands.h"
#include "eeprom/RomAccess.h"
#include "eeprom/SerialBus.h"

namespace rz::eeprom {

namespace {

constexpr std::uint32_t kPage = 128;
constexpr std::uint32_t kMaxWaits = 1000;
constexpr std::uint32_t kMaxStatusReads = 1000;
constexpr int kPageTries = 3;
constexpr std::uint32_t kProgressStep = 0x1000;
constexpr std::int32_t kEraseWaitUnit = 1000;     // RomDelay(1000): a 15 ms sleep
constexpr std::uint32_t kMaxEraseWaits = 2000;    // 30 s in all

void Report(EepromContext& ctx, std::uint32_t done, std::uint32_t total) {
  if (done % kProgressStep == 0 || done == total)
    ctx.ui.ReportProgress(ui::Phase::Programming, done, total);
}

// A chip erase tells nothing of how far it is: its start and its end are the whole of it.
void ReportErase(EepromContext& ctx, bool finished) {
  ctx.ui.ReportProgress(ui::Phase::Erasing, finished ? 1 : 0, 1);
}

std::uint8_t AddressByte(std::uint32_t offset, int shift) {
  return static_cast<std::uint8_t>((offset + spi::kAddressBase) >> shift);
}

// Reads the aperture byte until it equals `want`, waiting `delay` before each re-read; a byte
// that matches on exactly the last allowed wait counts. False as soon as a wait failed on `watch`.
bool PollByte(EepromContext& ctx, const hw::FailureWatch& watch, std::uint32_t offset,
              std::uint8_t want, std::int32_t delay) {
  std::uint8_t v = ReadProm(ctx, offset);
  for (std::uint32_t waits = 0; v != want; ++waits) {
    if (waits == kMaxWaits) return false;
    RomDelay(ctx, delay);
    if (watch.Failed()) return false;
    v = ReadProm(ctx, offset);
  }
  return true;
}

// Ends a serial phase: the status poll, then the interface is released whatever the poll found.
// True when the chip finished and no driver request of the phase failed.
bool EndSpiPhase(EepromContext& ctx, const hw::FailureWatch& watch, int first, int next) {
  const bool ready = WaitSpiReady(ctx, first, next);
  SpiEnd(ctx);
  return ready && !watch.Failed();
}

}  // namespace

std::uint32_t ProgramImage(EepromContext& ctx, std::uint8_t chipCode, const std::uint8_t* buffer,
                           std::uint32_t count) {
  const std::optional<ChipCodeFacts> facts = FactsFor(chipCode);
  if (!facts) return 0;
  const PromAccessGuard access(ctx);
  switch (facts->algorithm) {
    case Algorithm::JedecPages: return ProgramJedecPages(ctx, buffer, count);
    case Algorithm::JedecBytes: return ProgramJedecBytes(ctx, buffer, count);
    case Algorithm::SpiAai: return ProgramSpiAai(ctx, buffer, count);
    case Algorithm::Serial45: return ProgramSerial45(ctx, buffer, count);
    case Algorithm::SpiPages: return ProgramSpiPages(ctx, buffer, count, facts->eraseOpcode);
    case Algorithm::None: break;
  }
  return 0;
}

std::uint32_t ProgramJedecPages(EepromContext& ctx, const std::uint8_t* buffer,
                                std::uint32_t count) {
  const hw::FailureWatch watch(ctx.io);
  for (int i = 0; i < 3; ++i) RomDelay(ctx, 1);
  if (watch.Failed()) return 0;
  if (count % kPage != 0) {
    ctx.ui.MessageBox("ERROR", kNotOnPageBoundary, ui::Buttons::Ok, ui::Icon::Error);
    return 0;
  }
  for (std::uint32_t o = 0; o < count; o += kPage) {
    JedecCommand(ctx, jedec::kProgram);
    for (std::uint32_t k = 0; k < kPage; ++k) WriteProm(ctx, o + k, buffer[o + k]);
    bool ok = PollByte(ctx, watch, o + kPage - 1, buffer[o + kPage - 1], 13);
    for (std::uint32_t k = 0; ok && k < kPage; ++k) ok = ReadProm(ctx, o + k) == buffer[o + k];
    if (!ok) return o;
    Report(ctx, o + kPage, count);
  }
  return count;
}

std::uint32_t ProgramJedecBytes(EepromContext& ctx, const std::uint8_t* buffer,
                                std::uint32_t count) {
  const hw::FailureWatch watch(ctx.io);
  for (std::uint32_t o = 0; o < count; ++o) {
    JedecCommand(ctx, jedec::kProgram);
    WriteProm(ctx, o, buffer[o]);
    RomDelay(ctx, 3);
    if (watch.Failed() || !PollByte(ctx, watch, o, buffer[o], 1)) return o;
    Report(ctx, o + 1, count);
  }
  return count;
}

std::uint32_t ProgramSpiAai(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count) {
  const hw::FailureWatch watch(ctx.io);
  SpiBegin(ctx);  // clear the block protection
  SpiFrame(ctx, {spi::kWriteEnable});
  SpiFrame(ctx, {spi::kEnableStatusWrite});
  SpiFrame(ctx, {spi::kWriteStatus, 0x00});
  if (!EndSpiPhase(ctx, watch, 5000, 2000)) return 0;

  ReportErase(ctx, false);
  SpiBegin(ctx);  // erase the chip
  SpiFrame(ctx, {spi::kWriteEnable});
  SpiFrame(ctx, {spi::kChipErase60});
  if (!EndSpiPhase(ctx, watch, 50000, 30000)) return 0;
  ReportErase(ctx, true);

  SpiBegin(ctx);
  SpiFrame(ctx, {spi::kWriteEnable});
  std::uint32_t reached = 0;  // bytes whose frames went out without a failure
  if (count > 0 && !watch.Failed()) {
    SpiFrame(ctx, {spi::kAutoIncrementProgram, 0x00, 0x00, 0x00, buffer[0]});
    // A chip still busy with the first byte would drop the frames that follow.
    if (WaitSpiReady(ctx, 20, 2) && !watch.Failed()) {
      reached = 1;
      Report(ctx, 1, count);
    }
  }
  for (std::uint32_t o = 1; o < count && reached == o; ++o) {
    SpiFrame(ctx, {spi::kAutoIncrementProgram, buffer[o]});
    if (watch.Failed()) break;
    reached = o + 1;
    Report(ctx, o + 1, count);
  }
  // Write disable ends the auto-increment mode, after a failure too.
  SpiFrame(ctx, {spi::kWriteDisable});
  SpiEnd(ctx);
  if (!watch.Failed()) return reached;
  // A failure in the closing frame leaves the sequence, and so its last byte, unfinished.
  return count > 0 ? std::min(reached, count - 1) : 0;
}

std::uint32_t ProgramSerial45(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count) {
  const hw::FailureWatch watch(ctx.io);
  ReportErase(ctx, false);
  SpiBegin(ctx);
  SpiFrame(ctx, {spi::kWriteEnable});
  SpiFrame(ctx, {spi::kChipErase60, 0x00, 0x00, 0x00, spi::kEraseConfirm45, 0x00});
  ctx.system.Sleep(100);
  SpiEnd(ctx);
  if (watch.Failed()) return 0;
  ReportErase(ctx, true);

  SpiBegin(ctx);
  std::uint32_t reached = 0;  // bytes whose frames went out without a failure
  for (std::uint32_t o = 0; o < count; ++o) {
    SpiFrame(ctx, {spi::kByteProgram45, AddressByte(o, 16), AddressByte(o, 8), AddressByte(o, 0),
                   buffer[o], 0x00});
    if (watch.Failed()) break;
    reached = o + 1;
    Report(ctx, o + 1, count);
  }
  // Nothing is polled between bytes (each frame outlasts a byte program), but the last byte may
  // still be programming when the caller reads the chip back: give it time to finish.
  RomDelay(ctx, 100);
  SpiEnd(ctx);
  return reached;
}

std::uint32_t ProgramSpiPages(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count,
                              std::uint8_t eraseOpcode) {
  const hw::FailureWatch watch(ctx.io);
  ReportErase(ctx, false);
  SpiBegin(ctx);
  SpiFrame(ctx, {spi::kWriteEnable});
  SpiFrame(ctx, {eraseOpcode});
  if (!EndSpiPhase(ctx, watch, 50000, 30000)) return 0;
  ReportErase(ctx, true);

  for (std::uint32_t o = 0; o < count; o += kPage) {
    // A last page shorter than 128 bytes sends only the bytes the buffer holds.
    const std::uint32_t n = std::min(kPage, count - o);
    bool verified = false;
    for (int attempt = 0; attempt < kPageTries && !verified; ++attempt) {
      SpiBegin(ctx);
      SpiFrame(ctx, {spi::kWriteEnable});
      SpiSelect(ctx);
      for (std::uint8_t b : {spi::kPageProgram, AddressByte(o, 16), AddressByte(o, 8),
                             AddressByte(o, 0)})
        SpiSendByte(ctx, b);
      // After a failure the page is cut short at a whole byte; the chip programs what it has.
      for (std::uint32_t k = 0; k < n && !watch.Failed(); ++k) SpiSendByte(ctx, buffer[o + k]);
      SpiDeselect(ctx);
      if (!EndSpiPhase(ctx, watch, 5000, 2000)) return o;
      verified = true;
      for (std::uint32_t k = 0; verified && k < n; ++k)
        verified = ReadProm(ctx, o + k) == buffer[o + k];
    }
    // A page that will not take its data after its last try: programming stops there, as the
    // parallel algorithms stop at their first failed unit.
    if (!verified) return o;
    Report(ctx, o + n, count);
  }
  return count;
}

bool WaitSpiReady(EepromContext& ctx, int first, int next) {
  const hw::FailureWatch watch(ctx.io);
  if (first == 20)
    PortDelay(ctx, 20);
  else
    RomDelay(ctx, first / 15);
  for (std::uint32_t read = 0; read < kMaxStatusReads; ++read) {
    if (read > 0) {
      if (next == 2)
        PortDelay(ctx, 20);
      else
        RomDelay(ctx, next / 15);
    }
    if (watch.Failed()) return false;
    SpiSelect(ctx);
    SpiSendByte(ctx, spi::kReadStatus);
    const std::uint8_t status = SpiReceiveByte(ctx);
    SpiDeselect(ctx);
    if (watch.Failed()) return false;
    if (!(status & spi::kStatusBusy)) return true;
  }
  ctx.system.WriteStdoutLine(kSpiWaitExceeded);
  return false;
}

bool EraseChip(EepromContext& ctx, std::uint8_t chipCode, bool force) {
  const std::optional<ChipCodeFacts> facts = FactsFor(chipCode);
  if (!facts) return false;
  if (facts->pageWrite && !force) return true;
  if (ctx.window.spiMode) return true;  // the serial algorithms erase the chip themselves
  const hw::FailureWatch watch(ctx.io);
  for (int i = 0; i < 3; ++i) RomDelay(ctx, 1);
  if (watch.Failed()) return false;  // before the chip is touched
  PromAccessGuard access(ctx);
  if (!access.On()) return false;
  ReportErase(ctx, false);
  JedecCommand(ctx, jedec::kEraseSetup);
  JedecCommand(ctx, jedec::kChipErase);
  RomDelay(ctx, 100);
  // A chip erase takes from tens of milliseconds to seconds; programming started before it ends
  // would be ignored by the chip and leave the card erased. Data polling: a chip still erasing
  // never reads 0xFF (its bit 7 reads 0), an erased one does.
  for (std::uint32_t waits = 0; ReadProm(ctx, 0) != 0xFF; ++waits) {
    if (waits == kMaxEraseWaits) return false;
    RomDelay(ctx, kEraseWaitUnit);
  }
  const bool erased = access.Disable() && !watch.Failed();
  if (erased) ReportErase(ctx, true);
  return erased;
}

}  // namespace rz::eeprom
