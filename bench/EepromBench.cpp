// EEPROM engine figures on the emulated machine: aperture read-back, serial identification and a
// full flash per programming algorithm, in host time and in emulated bus time.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/Program.h"
#include "base/BuildConfig.h"
#include "eeprom/FlashJob.h"
#include "eeprom/Identify.h"
#include "eeprom/RomAccess.h"
#include "sim/EmulatedPlatform.h"
#include "testimage/TestImage.h"
#include "ui/ScriptedUi.h"

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

// One program on an emulated machine with an NVIDIA card carrying `chip`, driver open, the card
// in the configuration table and in the adapter list.
struct Bench {
  explicit Bench(const std::string& chip, const std::vector<std::uint8_t>& image = {}) {
    std::string templ = (fs::temp_directory_path() / "rzflash-bench-XXXXXX").string();
    dir = mkdtemp(templ.data());
    json eeprom = {{"chip", chip}};
    if (!image.empty()) {
      rz::testimage::WriteFile(dir + "/card.rom", image);
      eeprom["image"] = dir + "/card.rom";
    }
    json scenario = {{"program_folder", dir},
                     {"working_directory", dir},
                     {"adapters", json::array({{{"bus", 1},
                                                {"device", 0},
                                                {"vendor_id", 0x10DE},
                                                {"device_id", 0x0191},
                                                {"subsystem_vendor_id", "maker"},
                                                {"subsystem_id", 0x34C8},
                                                {"eeprom", eeprom}}})}};
    platform = std::make_unique<rz::sim::EmulatedPlatform>(rz::sim::ParseScenario(scenario, dir));
    program = std::make_unique<rz::app::Program>(platform->Seams(), ui);
    program->driver.OpenDriver();
    rz::config::AsicEntry entry;
    entry.vendorId = 0x10DE;
    entry.deviceId = 0x0191;
    entry.type = 1;
    program->asics.entries.push_back(entry);
    program->adapters.count = 1;
    program->adapters.adapters[0] = {1, 0, 0x019110DEu, 0x34C80000u | rz::kMakerSubsystemVendorId, 0};
    program->romWindow.newGpioLayout = true;  // 0x0191 uses the newer register layout
  }
  ~Bench() {
    program.reset();
    platform.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  rz::sim::Machine& Machine() { return platform->GetMachine(); }

  std::string dir;
  rz::ui::ScriptedUi ui;
  std::unique_ptr<rz::sim::EmulatedPlatform> platform;
  std::unique_ptr<rz::app::Program> program;
};

std::vector<std::uint8_t> Image(std::uint8_t lengthByte, std::uint32_t seed) {
  rz::testimage::ImageSpec spec;
  spec.lengthByte = lengthByte;
  spec.seed = seed;
  return rz::testimage::BuildImage(spec);
}

void BM_ApertureReadBack128K(benchmark::State& state) {
  Bench b("SST 39VF010", Image(0xFF, 1));
  auto ctx = b.program->Eeprom();
  std::uint16_t id;
  std::int16_t index;
  rz::eeprom::OpenRomWindow(ctx, 1, 0, id, index);
  std::vector<std::uint8_t> buffer(0x20000);
  std::uint64_t emulatedNs = 0;
  for (auto _ : state) {
    const auto t0 = b.Machine().Clock().Now();
    benchmark::DoNotOptimize(rz::eeprom::ReadRomBytes(ctx, 6, buffer.data(), 0, 0x20000));
    emulatedNs += b.Machine().Clock().Now() - t0;
  }
  rz::eeprom::CloseRomWindow(ctx);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 0x20000);
  state.counters["host_ns_per_byte"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * 0x20000,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["emulated_ms"] =
      static_cast<double>(emulatedNs) / static_cast<double>(state.iterations()) / 1e6;
}
BENCHMARK(BM_ApertureReadBack128K)->Unit(benchmark::kMillisecond);

void BM_IdentifySerial(benchmark::State& state, const char* chip) {
  Bench b(chip);
  auto ctx = b.program->Eeprom();
  std::uint64_t emulatedNs = 0, requests = 0;
  for (auto _ : state) {
    const auto t0 = b.Machine().Clock().Now();
    const auto r0 = b.Machine().Counters().portRequests;
    std::uint8_t code;
    std::uint16_t word;
    std::uint32_t size;
    benchmark::DoNotOptimize(rz::eeprom::IdentifyEeprom(ctx, 1, 0, code, word, size));
    rz::eeprom::CloseRomWindow(ctx);
    emulatedNs += b.Machine().Clock().Now() - t0;
    requests += b.Machine().Counters().portRequests - r0;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["port_requests"] = static_cast<double>(requests) / n;
  state.counters["emulated_ms"] = static_cast<double>(emulatedNs) / n / 1e6;
}
BENCHMARK_CAPTURE(BM_IdentifySerial, sst25vf010_0xAB, "SST 25VF010")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_IdentifySerial, pm25lv010_0x90, "PMC PM25LV010")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_IdentifySerial, at25f512_0x15, "AT AT25F512")->Unit(benchmark::kMillisecond);

// A full flash job of a 64 KiB image (identify, erase, program, read back, compare).
void BM_FlashJob(benchmark::State& state, const char* chip) {
  const auto image = Image(0x80, 2);
  std::uint64_t emulatedNs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Bench b(chip, Image(0x40, 1));
    rz::testimage::WriteFile(b.dir + "/new.rom", image);
    auto ctx = b.program->Eeprom();
    const auto t0 = b.Machine().Clock().Now();
    state.ResumeTiming();
    const auto r = rz::eeprom::RunFlashJob(ctx, 0, b.dir + "/new.rom", 1);
    state.PauseTiming();
    if (r != 0) state.SkipWithError("flash job failed");
    emulatedNs += b.Machine().Clock().Now() - t0;
    state.ResumeTiming();
  }
  state.counters["emulated_s"] =
      static_cast<double>(emulatedNs) / static_cast<double>(state.iterations()) / 1e9;
}
BENCHMARK_CAPTURE(BM_FlashJob, jedec_pages_sst29ee010, "SST 29EE010")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_FlashJob, jedec_bytes_sst39vf010, "SST 39VF010")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_FlashJob, spi_aai_sst25vf010, "SST 25VF010")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_FlashJob, spi_pages_pm25lv010, "PMC PM25LV010")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_FlashJob, spi_pages_at25f1024, "AT AT25F1024")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_FlashJob, serial45_sst45lf010, "SST 45LF010")->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
