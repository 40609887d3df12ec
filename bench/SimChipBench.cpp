// SPDX-License-Identifier: GPL-3.0-or-later
// Host cost of the emulated card: one PROM aperture byte read, and one bit-banged serial bit (the
// read-modify-write of the data bit plus a clock pulse, as a program sends it).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "platform/driver/DriverProtocol.h"
#include "sim/seams/EmulatedPlatform.h"

namespace {

using nlohmann::json;

struct Rig {
  std::unique_ptr<rz::sim::EmulatedPlatform> platform;
  rz::sim::Machine* m = nullptr;
  std::uint32_t base = 0;
  static constexpr std::uint32_t kGpio = 0xE204;  // device 0x0191 uses the newer layout

  explicit Rig(const char* chip) {
    const json scenario = {
        {"adapters",
         json::array({{{"vendor_id", 0x10DE}, {"device_id", 0x0191}, {"eeprom", {{"chip", chip}}}}})}};
    platform = std::make_unique<rz::sim::EmulatedPlatform>(
        rz::sim::ParseScenario(scenario, std::filesystem::temp_directory_path().string()));
    m = &platform->GetMachine();
    auto config = [&](std::uint32_t reg, std::optional<std::uint32_t> write) {
      rz::platform::PortAccessRequest a{0xCF8, 0, 0x80010000u | reg, rz::platform::kPortDirectionWrite, 4};
      m->PortRequest(a);
      rz::platform::PortAccessRequest d{0xCFC, 0, write.value_or(0),
                                  write ? rz::platform::kPortDirectionWrite : rz::platform::kPortDirectionRead, 4};
      m->PortRequest(d);
      return d.data;
    };
    config(0x04, config(0x04, std::nullopt) | 2);
    m->Map(config(0x10, std::nullopt) & 0xFFFFFFF0u, 0x2000000, base);
    m->Write32(base + 0x1850, 0);
  }
};

void BM_ApertureByteRead(benchmark::State& state) {
  Rig rig("SST 39VF010");
  std::uint32_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rig.m->Read8(rig.base + 0x300000 + (i++ & 0xFFFF)));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ApertureByteRead);

void BM_SerialBit(benchmark::State& state) {
  Rig rig("PMC PM25LV010");
  const std::uint32_t g = rig.base + Rig::kGpio;
  rig.m->Write32(g, (rig.m->Read32(g) | 0x01) & ~0x06u);  // enabled, selected, clock low
  std::uint32_t bit = 0;
  for (auto _ : state) {
    // Data bit (a rolling 0x05 status command keeps the chip answering).
    const std::uint32_t v = (rig.m->Read32(g) & ~0x08u) | (((0x05u >> (7 - (bit++ & 7))) & 1) << 3);
    rig.m->Write32(g, v);
    const std::uint32_t c = rig.m->Read32(g);
    rig.m->Write32(g, c | 0x04);
    rig.m->Write32(g, c & ~0x04u);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_SerialBit);

}  // namespace
