// SPDX-License-Identifier: GPL-3.0-or-later
// A full flash per programming algorithm driven through the engine (window opened as the flash job
// opens it, identification, EraseChip, ProgramImage, read-back through the aperture and compare),
// for a 64 KiB and a 128 KiB image: emulated time per phase, its split into sleeps, port requests
// and register/aperture accesses, the chip's own busy time for the same work, and host time.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "EepromRig.h"
#include "eeprom/ChipCodeFacts.h"
#include "eeprom/Identify.h"
#include "eeprom/Programming.h"
#include "eeprom/RomAccess.h"
#include "sim/devices/ChipModel.h"
#include "sim/devices/NvidiaCard.h"

namespace {

using rz::bench::BusSnapshot;
using rz::bench::EepromRig;
using rz::eeprom::Algorithm;

constexpr std::uint32_t kProgramPage = 128;  // the page the serial and parallel page algorithms use

// The chip's busy time for the work the algorithm asks of it, from the emulator's chip table: the
// physical limit of any program on this chip.
std::uint64_t ChipBusyNs(const rz::sim::ChipModel& chip, Algorithm algorithm, std::uint32_t bytes) {
  const auto& t = chip.timings;
  const std::uint64_t pages = (bytes + kProgramPage - 1) / kProgramPage;
  switch (algorithm) {
    // The page write erases the page; its write cycle starts when the byte-load window closes.
    case Algorithm::JedecPages: return pages * (t.pageLoadWindowNs + t.pageWriteNs);
    case Algorithm::JedecBytes:
    case Algorithm::SpiAai:
    case Algorithm::Serial45: return bytes * t.byteProgramNs + t.chipEraseNs;
    case Algorithm::SpiPages: return pages * t.pageProgramNs + t.chipEraseNs;
    case Algorithm::None: break;
  }
  return 0;
}

void BM_FullFlash(benchmark::State& state, const char* chip, std::uint32_t bytes) {
  const rz::sim::ChipModel* model = rz::sim::FindChipModel(chip);
  if (!model || model->size < bytes) {
    state.SkipWithError("the chip does not take the image");
    return;
  }
  const auto image = rz::bench::Filler(bytes, 2);
  const auto old = rz::bench::Image(0x40, 1);
  std::vector<std::uint8_t> back(bytes);
  BusSnapshot total, erase, program, verify;
  std::uint64_t clockPulses = 0;
  Algorithm algorithm = Algorithm::None;
  std::unique_ptr<EepromRig> rig;  // built and torn down outside the timed part
  for (auto _ : state) {
    state.PauseTiming();
    rig.reset();
    rig = std::make_unique<EepromRig>(chip, old);
    auto ctx = rig->program->Eeprom();
    auto& m = rig->Machine();
    const auto* card = dynamic_cast<rz::sim::NvidiaCard*>(m.DeviceAt(1, 0));
    const std::uint64_t pulses0 = card ? card->Counters().clockPulses : 0;
    const auto t0 = BusSnapshot::Take(m);
    state.ResumeTiming();

    // As the flash job: window, serial strap, identification (which opens the window again).
    std::uint16_t deviceId = 0;
    std::int16_t asicIndex = 0;
    std::uint8_t code = 0;
    std::uint16_t idWord = 0;
    std::uint32_t chipSize = 0;
    const bool opened = rz::eeprom::OpenRomWindow(ctx, 1, 0, deviceId, asicIndex);
    rz::eeprom::DetectSpiMode(ctx);
    const bool identified = opened && rz::eeprom::IdentifyEeprom(ctx, 1, 0, code, idWord, chipSize);
    const auto facts = rz::eeprom::FactsFor(code);
    algorithm = facts ? facts->algorithm : Algorithm::None;
    const auto t1 = BusSnapshot::Take(m);
    const bool erased = identified && rz::eeprom::EraseChip(ctx, code, false);
    const auto t2 = BusSnapshot::Take(m);
    const std::uint32_t programmed =
        erased ? rz::eeprom::ProgramImage(ctx, code, image.data(), bytes) : 0;
    const auto t3 = BusSnapshot::Take(m);
    const std::uint32_t read = rz::eeprom::ReadRomBytes(ctx, code, back.data(), 0, bytes);
    const bool same = read == bytes && std::equal(back.begin(), back.end(), image.begin());
    rz::eeprom::CloseRomWindow(ctx);
    const auto t4 = BusSnapshot::Take(m);

    state.PauseTiming();
    if (!identified || !erased || programmed != bytes || !same)
      state.SkipWithError("the flash did not verify");
    total += t4 - t0;
    erase += t2 - t1;
    program += t3 - t2;
    verify += t4 - t3;
    if (card) clockPulses += card->Counters().clockPulses - pulses0;
    state.ResumeTiming();
  }
  const double n = state.iterations() ? static_cast<double>(state.iterations()) : 1.0;
  rz::bench::ReportBus(state, total);
  state.counters["erase_s"] = static_cast<double>(erase.clockNs) / n / 1e9;
  state.counters["program_s"] = static_cast<double>(program.clockNs) / n / 1e9;
  state.counters["verify_s"] = static_cast<double>(verify.clockNs) / n / 1e9;
  state.counters["serial_bytes"] = static_cast<double>(clockPulses) / 8 / n;
  const double chipBusy = static_cast<double>(ChipBusyNs(*model, algorithm, bytes)) / 1e9;
  state.counters["chip_busy_s"] = chipBusy;
  state.counters["x_chip"] = chipBusy > 0 ? state.counters["emulated_s"] / chipBusy : 0;
}

#define RZ_FULL_FLASH(name, chip)                                                            \
  BENCHMARK_CAPTURE(BM_FullFlash, name##_64K, chip, 0x10000)                                 \
      ->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseRealTime()          \
      ->ReportAggregatesOnly(true);                                                          \
  BENCHMARK_CAPTURE(BM_FullFlash, name##_128K, chip, 0x20000)                                \
      ->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseRealTime()          \
      ->ReportAggregatesOnly(true)
RZ_FULL_FLASH(jedec_pages_sst29ee010, "SST 29EE010");
RZ_FULL_FLASH(jedec_bytes_sst39vf010, "SST 39VF010");
RZ_FULL_FLASH(spi_aai_sst25vf010, "SST 25VF010");
RZ_FULL_FLASH(spi_pages_pm25lv010, "PMC PM25LV010");
RZ_FULL_FLASH(spi_pages_at25f1024, "AT AT25F1024");
RZ_FULL_FLASH(serial45_sst45lf010, "SST 45LF010");

}  // namespace
