#include "eeprom/Programming.h"

#include <algorithm>

#include "eeprom/RomAccess.h"
#include "eeprom/SerialBus.h"

namespace rz::eeprom {

namespace {

constexpr std::uint32_t kJedec1 = 0x5555;
constexpr std::uint32_t kJedec2 = 0x2AAA;
constexpr std::uint32_t kPage = 128;
constexpr std::uint32_t kMaxWaits = 1000;
constexpr std::uint32_t kMaxStatusReads = 1000;
constexpr int kPageTries = 3;
constexpr std::uint32_t kSerialAddressBase = 0x300000;
constexpr std::uint32_t kProgressStep = 0x1000;
constexpr std::int32_t kEraseWaitUnit = 1000;     // RomDelay(1000): a 15 ms sleep
constexpr std::uint32_t kMaxEraseWaits = 2000;    // 30 s in all

void Report(EepromContext& ctx, std::uint32_t done, std::uint32_t total) {
  if (done % kProgressStep == 0 || done == total) ctx.ui.ReportProgress(done, total);
}

void JedecCommand(EepromContext& ctx, std::uint8_t command) {
  WriteProm(ctx, kJedec1, 0xAA);
  WriteProm(ctx, kJedec2, 0x55);
  WriteProm(ctx, kJedec1, command);
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

bool IsPageWriteCode(std::uint8_t code) {
  return (code >= 1 && code <= 4) || code == 10 || code == 18 || code == 19;
}

}  // namespace

AlgorithmChoice AlgorithmFor(std::uint8_t code) {
  switch (code) {
    case 1: case 2: case 3: case 4: case 10: case 18: case 19:
      return {Algorithm::JedecPages, 0};
    case 5: case 6: case 9: case 11: case 12: case 17: case 21: case 22: case 23: case 24:
    case 27: case 28: case 29:
      return {Algorithm::JedecBytes, 0};
    case 7: case 8:
      return {Algorithm::SpiAai, 0};
    case 13: case 14: case 15: case 16: case 31:
      return {Algorithm::SpiPages, 0xC7};
    case 25: case 26:
      return {Algorithm::SpiPages, 0x62};
    case 30:
      return {Algorithm::Serial45, 0};
    default:
      return {};
  }
}

std::uint32_t ProgramImage(EepromContext& ctx, std::uint8_t chipCode, const std::uint8_t* buffer,
                           std::uint32_t count) {
  const AlgorithmChoice choice = AlgorithmFor(chipCode);
  if (choice.algorithm == Algorithm::None) return 0;
  EnablePromAccess(ctx);
  std::uint32_t done = 0;
  switch (choice.algorithm) {
    case Algorithm::JedecPages: done = ProgramJedecPages(ctx, buffer, count); break;
    case Algorithm::JedecBytes: done = ProgramJedecBytes(ctx, buffer, count); break;
    case Algorithm::SpiAai: done = ProgramSpiAai(ctx, buffer, count); break;
    case Algorithm::Serial45: done = ProgramSerial45(ctx, buffer, count); break;
    case Algorithm::SpiPages: done = ProgramSpiPages(ctx, buffer, count, choice.eraseOpcode); break;
    case Algorithm::None: break;
  }
  DisablePromAccess(ctx);
  return done;
}

std::uint32_t ProgramJedecPages(EepromContext& ctx, const std::uint8_t* buffer,
                                std::uint32_t count) {
  const hw::FailureWatch watch(ctx.io);
  for (int i = 0; i < 3; ++i) RomDelay(ctx, 1);
  if (watch.Failed()) {
    DisablePromAccess(ctx);
    return 0;
  }
  if (count % kPage != 0) {
    ctx.ui.MessageBox("ERROR", kNotOnPageBoundary, ui::Buttons::Ok, ui::Icon::Error);
    DisablePromAccess(ctx);
    return 0;
  }
  for (std::uint32_t o = 0; o < count; o += kPage) {
    JedecCommand(ctx, 0xA0);
    for (std::uint32_t k = 0; k < kPage; ++k) WriteProm(ctx, o + k, buffer[o + k]);
    bool ok = PollByte(ctx, watch, o + kPage - 1, buffer[o + kPage - 1], 13);
    for (std::uint32_t k = 0; ok && k < kPage; ++k) ok = ReadProm(ctx, o + k) == buffer[o + k];
    if (!ok) {
      DisablePromAccess(ctx);
      return o;
    }
    Report(ctx, o + kPage, count);
  }
  return count;
}

std::uint32_t ProgramJedecBytes(EepromContext& ctx, const std::uint8_t* buffer,
                                std::uint32_t count) {
  const hw::FailureWatch watch(ctx.io);
  for (std::uint32_t o = 0; o < count; ++o) {
    JedecCommand(ctx, 0xA0);
    WriteProm(ctx, o, buffer[o]);
    RomDelay(ctx, 3);
    if (watch.Failed() || !PollByte(ctx, watch, o, buffer[o], 1)) {
      DisablePromAccess(ctx);
      return o;
    }
    Report(ctx, o + 1, count);
  }
  return count;
}

std::uint32_t ProgramSpiAai(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count) {
  const hw::FailureWatch watch(ctx.io);
  SpiBegin(ctx);
  SpiFrame(ctx, {0x06});
  SpiFrame(ctx, {0x50});
  SpiFrame(ctx, {0x01, 0x00});
  WaitSpiReady(ctx, 5000, 2000);
  SpiEnd(ctx);
  if (watch.Failed()) return 0;

  SpiBegin(ctx);
  SpiFrame(ctx, {0x06});
  SpiFrame(ctx, {0x60});
  WaitSpiReady(ctx, 50000, 30000);
  SpiEnd(ctx);
  if (watch.Failed()) return 0;

  SpiBegin(ctx);
  SpiFrame(ctx, {0x06});
  std::uint32_t reached = 0;  // bytes whose frames went out without a failure
  if (count > 0 && !watch.Failed()) {
    SpiFrame(ctx, {0xAF, 0x00, 0x00, 0x00, buffer[0]});
    WaitSpiReady(ctx, 20, 2);
    if (!watch.Failed()) {
      reached = 1;
      Report(ctx, 1, count);
    }
  }
  for (std::uint32_t o = 1; o < count && reached == o; ++o) {
    SpiFrame(ctx, {0xAF, buffer[o]});
    if (watch.Failed()) break;
    reached = o + 1;
    Report(ctx, o + 1, count);
  }
  // Write disable ends the auto-increment mode, after a failure too.
  SpiFrame(ctx, {0x04});
  SpiEnd(ctx);
  if (!watch.Failed()) return count;
  // A failure in the closing frame leaves the sequence, and so its last byte, unfinished.
  return count > 0 ? std::min(reached, count - 1) : 0;
}

std::uint32_t ProgramSerial45(EepromContext& ctx, const std::uint8_t* buffer, std::uint32_t count) {
  const hw::FailureWatch watch(ctx.io);
  SpiBegin(ctx);
  SpiFrame(ctx, {0x06});
  SpiFrame(ctx, {0x60, 0x00, 0x00, 0x00, 0xD0, 0x00});
  ctx.system.Sleep(100);
  SpiEnd(ctx);
  if (watch.Failed()) return 0;

  SpiBegin(ctx);
  std::uint32_t reached = 0;  // bytes whose frames went out without a failure
  for (std::uint32_t o = 0; o < count; ++o) {
    const std::uint32_t a = o + kSerialAddressBase;
    SpiFrame(ctx, {0x10, static_cast<std::uint8_t>(a >> 16), static_cast<std::uint8_t>(a >> 8),
                   static_cast<std::uint8_t>(a), buffer[o], 0x00});
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
  SpiBegin(ctx);
  SpiFrame(ctx, {0x06});
  SpiFrame(ctx, {eraseOpcode});
  WaitSpiReady(ctx, 50000, 30000);
  SpiEnd(ctx);
  if (watch.Failed()) return 0;

  std::uint32_t handled = 0;
  for (std::uint32_t o = 0; o < count; o += kPage) {
    // A last page shorter than 128 bytes sends only the bytes the buffer holds.
    const std::uint32_t n = std::min(kPage, count - o);
    const std::uint32_t a = o + kSerialAddressBase;
    for (int attempt = 0; attempt < kPageTries; ++attempt) {
      SpiBegin(ctx);
      SpiFrame(ctx, {0x06});
      SpiSelect(ctx);
      for (std::uint8_t b : {std::uint8_t{0x02}, static_cast<std::uint8_t>(a >> 16),
                             static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a)})
        SpiSendByte(ctx, b);
      // After a failure the page is cut short at a whole byte; the chip programs what it has.
      for (std::uint32_t k = 0; k < n && !watch.Failed(); ++k) SpiSendByte(ctx, buffer[o + k]);
      SpiDeselect(ctx);
      WaitSpiReady(ctx, 5000, 2000);
      SpiEnd(ctx);
      if (watch.Failed()) return handled;
      bool verified = true;
      for (std::uint32_t k = 0; verified && k < n; ++k)
        verified = ReadProm(ctx, o + k) == buffer[o + k];
      if (verified) break;
    }
    handled += n;
    Report(ctx, handled, count);
  }
  return handled;
}

void WaitSpiReady(EepromContext& ctx, int first, int next) {
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
    if (watch.Failed()) return;  // the caller sees the failure too
    SpiSelect(ctx);
    SpiSendByte(ctx, 0x05);
    const std::uint8_t status = SpiReceiveByte(ctx);
    SpiDeselect(ctx);
    if (!(status & 0x01) || watch.Failed()) return;
  }
  ctx.system.WriteStdoutLine(kSpiWaitExceeded);
}

bool EraseChip(EepromContext& ctx, std::uint8_t chipCode, bool force) {
  if (chipCode == 0 || chipCode == 20 || chipCode >= 32) return false;
  if (IsPageWriteCode(chipCode) && !force) return true;
  if (ctx.window.spiMode) return true;  // the serial algorithms erase the chip themselves
  const hw::FailureWatch watch(ctx.io);
  for (int i = 0; i < 3; ++i) RomDelay(ctx, 1);
  if (watch.Failed()) return false;  // before the chip is touched
  if (!EnablePromAccess(ctx)) return false;
  JedecCommand(ctx, 0x80);
  JedecCommand(ctx, 0x10);
  RomDelay(ctx, 100);
  // A chip erase takes from tens of milliseconds to seconds; programming started before it ends
  // would be ignored by the chip and leave the card erased. Data polling: a chip still erasing
  // never reads 0xFF (its bit 7 reads 0), an erased one does.
  for (std::uint32_t waits = 0; ReadProm(ctx, 0) != 0xFF; ++waits) {
    if (waits == kMaxEraseWaits) {
      DisablePromAccess(ctx);
      return false;
    }
    RomDelay(ctx, kEraseWaitUnit);
  }
  return DisablePromAccess(ctx) && !watch.Failed();
}

}  // namespace rz::eeprom
