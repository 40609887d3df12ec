// SPDX-License-Identifier: GPL-3.0-or-later
// EEPROM engine figures on the emulated machine: aperture read-back, serial identification and the
// 64 KiB flash job per programming algorithm, in host time and in emulated bus time.
#include <benchmark/benchmark.h>

#include "EepromRig.h"
#include "eeprom/FlashJob.h"
#include "eeprom/Identify.h"
#include "eeprom/RomAccess.h"

namespace {

using rz::bench::BusSnapshot;
using rz::bench::EepromRig;
using rz::bench::Image;

// Read-back of a 128 KiB chip through the PROM aperture with ReadRomBytes (each byte read twice,
// the second kept), the window already open.
void BM_ApertureReadBack128K(benchmark::State& state) {
  EepromRig b("SST 39VF010", Image(0xFF, 1));
  auto ctx = b.program->Eeprom();
  std::uint16_t id;
  std::int16_t index;
  rz::eeprom::OpenRomWindow(ctx, 1, 0, id, index);
  std::vector<std::uint8_t> buffer(0x20000);
  BusSnapshot total;
  for (auto _ : state) {
    const auto before = BusSnapshot::Take(b.Machine());
    benchmark::DoNotOptimize(rz::eeprom::ReadRomBytes(ctx, 6, buffer.data(), 0, 0x20000));
    total += BusSnapshot::Take(b.Machine()) - before;
  }
  rz::eeprom::CloseRomWindow(ctx);
  const double n = static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 0x20000);
  // Rates divide by CPU time: on a shared machine that is the steadier figure.
  state.counters["host_ns_per_byte"] = benchmark::Counter(
      n * 0x20000, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["host_ns_per_aperture_read"] = benchmark::Counter(
      static_cast<double>(total.memReads), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["aperture_reads"] = static_cast<double>(total.memReads) / n;
  state.counters["emulated_ms"] = static_cast<double>(total.clockNs) / n / 1e6;
}
BENCHMARK(BM_ApertureReadBack128K)->Unit(benchmark::kMillisecond);

// IdentifyEeprom on a serial card: window open, strap read, the id reads up to the one the chip
// answers (0x15 first, then 0xAB, then the two 0x90 reads), window closed.
void BM_IdentifySerial(benchmark::State& state, const char* chip, std::uint8_t wantCode) {
  EepromRig b(chip);
  auto ctx = b.program->Eeprom();
  BusSnapshot total;
  std::uint8_t code = 0;
  for (auto _ : state) {
    const auto before = BusSnapshot::Take(b.Machine());
    std::uint16_t word;
    std::uint32_t size;
    benchmark::DoNotOptimize(rz::eeprom::IdentifyEeprom(ctx, 1, 0, code, word, size));
    rz::eeprom::CloseRomWindow(ctx);
    total += BusSnapshot::Take(b.Machine()) - before;
  }
  if (code != wantCode) state.SkipWithError("wrong chip code");
  rz::bench::ReportBus(state, total);
  state.counters["emulated_ms"] = state.counters["emulated_s"] * 1e3;
  state.counters.erase("emulated_s");
}
BENCHMARK_CAPTURE(BM_IdentifySerial, at25f512_0x15, "AT AT25F512", 25)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_IdentifySerial, sst25vf010_0xAB, "SST 25VF010", 8)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_IdentifySerial, pm25lv010_0x90, "PMC PM25LV010", 14)->Unit(benchmark::kMicrosecond);

// A full flash job of a 64 KiB image over a 32 KiB one (identify, erase, program, read back,
// compare), as the flash command runs it; the job refuses larger images (its buffer holds 64 KiB).
void BM_FlashJob64K(benchmark::State& state, const char* chip) {
  const auto image = Image(0x80, 2);
  BusSnapshot total;
  std::unique_ptr<EepromRig> b;  // built and torn down outside the timed part
  for (auto _ : state) {
    state.PauseTiming();
    b.reset();
    b = std::make_unique<EepromRig>(chip, Image(0x40, 1));
    rz::testimage::WriteFile(b->dir + "/new.rom", image);
    auto ctx = b->program->Eeprom();
    const auto before = BusSnapshot::Take(b->Machine());
    state.ResumeTiming();
    const auto r = rz::eeprom::RunFlashJob(ctx, 0, b->dir + "/new.rom", 1);
    state.PauseTiming();
    if (r != 0) state.SkipWithError("flash job failed");
    total += BusSnapshot::Take(b->Machine()) - before;
    state.ResumeTiming();
  }
  rz::bench::ReportBus(state, total);
}
#define RZ_FLASH_JOB(name, chip) \
  BENCHMARK_CAPTURE(BM_FlashJob64K, name, chip)                                             \
      ->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseRealTime()          \
      ->ReportAggregatesOnly(true)
RZ_FLASH_JOB(jedec_pages_sst29ee010, "SST 29EE010");
RZ_FLASH_JOB(jedec_bytes_sst39vf010, "SST 39VF010");
RZ_FLASH_JOB(spi_aai_sst25vf010, "SST 25VF010");
RZ_FLASH_JOB(spi_pages_pm25lv010, "PMC PM25LV010");
RZ_FLASH_JOB(spi_pages_at25f1024, "AT AT25F1024");
RZ_FLASH_JOB(serial45_sst45lf010, "SST 45LF010");

}  // namespace
