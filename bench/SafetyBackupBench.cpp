// SPDX-License-Identifier: GPL-3.0-or-later
// What the safety backup adds to a flash: the flash job on the emulated card without a backup,
// and with the whole chip read and written to the program folder's Backups before the chip is
// touched. Host time per job; the ratio of the two is the backup's cost.
#include <benchmark/benchmark.h>

#include "EepromRig.h"
#include "commands/SafetyBackup.h"
#include "eeprom/FlashJob.h"

namespace {

void BM_FlashJob(benchmark::State& state, const char* chip, bool withBackup) {
  const auto old = rz::bench::Image(0x40, 1);
  const auto image = rz::bench::Image(0x80, 2);
  std::unique_ptr<rz::bench::EepromRig> rig;
  std::uint64_t failures = 0;
  for (auto _ : state) {
    state.PauseTiming();
    rig.reset();
    rig = std::make_unique<rz::bench::EepromRig>(chip, old);
    const std::string file = rig->dir + "/new.rom";
    rz::testimage::WriteFile(file, image);
    auto ctx = rig->program->Eeprom();
    auto& seams = rig->platform->Seams();
    const std::string folder = rig->dir + "/";
    const rz::eeprom::ChipBackup keep = [&](std::span<const std::uint8_t> contents) {
      return !rz::commands::WriteSafetyBackup(seams.files, seams.system, folder, "BENCH", contents)
                  .empty();
    };
    state.ResumeTiming();
    // Bit 0: the image-versus-card check is left out (the bench image belongs to no board).
    if (rz::eeprom::RunFlashJob(ctx, 0, file, 1, withBackup ? keep : rz::eeprom::ChipBackup{}) != 0)
      ++failures;
  }
  state.counters["failed_jobs"] = static_cast<double>(failures);
}

BENCHMARK_CAPTURE(BM_FlashJob, spi_pm25lv010_plain, "PMC PM25LV010", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FlashJob, spi_pm25lv010_backup, "PMC PM25LV010", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FlashJob, spi_m25p10_plain, "ST M25P10", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FlashJob, spi_m25p10_backup, "ST M25P10", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FlashJob, jedec_39vf010_plain, "SST 39VF010", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FlashJob, jedec_39vf010_backup, "SST 39VF010", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FlashJob, jedec_29ee010_plain, "SST 29EE010", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FlashJob, jedec_29ee010_backup, "SST 29EE010", true)->Unit(benchmark::kMillisecond);

}  // namespace
