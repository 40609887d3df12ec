// SPDX-License-Identifier: GPL-3.0-or-later
// The adapter scan over the emulated bus: driver requests per full scan and host time per
// emulated request (the emulator's port-request hot path).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "app/Program.h"
#include "hw/AdapterScan.h"
#include "hw/PciConfig.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/ScriptedUi.h"

namespace {

using nlohmann::json;

// One maker NVIDIA card at 1:0 with the driver brought up.
struct OneCardMachine {
  OneCardMachine()
      : platform(rz::sim::ParseScenario(
            json{{"program_folder", std::filesystem::temp_directory_path().string()},
                 {"adapters", json::array({json{{"bus", 1}, {"device", 0}, {"device_id", 0x0191}}})}},
            std::filesystem::temp_directory_path().string())),
        program(platform.Seams(), ui) {
    opened = program.driver.OpenDriver();
  }
  rz::ui::ScriptedUi ui;
  rz::sim::EmulatedPlatform platform;
  rz::app::Program program;
  bool opened = false;
};

void ReportRequests(benchmark::State& state, std::uint64_t requests, std::chrono::nanoseconds spent,
                    std::uint64_t scans, std::uint64_t emulatedNs) {
  state.counters["emulated_ms_per_scan"] = benchmark::Counter(
      scans ? static_cast<double>(emulatedNs) / static_cast<double>(scans) / 1e6 : 0);
  state.counters["requests_per_scan"] =
      benchmark::Counter(scans ? static_cast<double>(requests) / static_cast<double>(scans) : 0);
  state.counters["ns_per_request"] =
      benchmark::Counter(requests ? static_cast<double>(spent.count()) / static_cast<double>(requests) : 0);
}

void BM_FullAdapterScan(benchmark::State& state) {
  OneCardMachine m;
  if (!m.opened) {
    state.SkipWithError("driver bring-up failed");
    return;
  }
  const std::uint64_t before = m.platform.GetMachine().Counters().portRequests;
  const std::uint64_t clockBefore = m.platform.GetMachine().Clock().Now();
  std::uint64_t scans = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    rz::hw::ScanDisplayAdapters(m.program.io, m.program.adapters);
    benchmark::DoNotOptimize(m.program.adapters.count);
    ++scans;
  }
  const auto spent = std::chrono::steady_clock::now() - start;
  if (m.program.adapters.count != 1) state.SkipWithError("the card was not found");
  ReportRequests(state, m.platform.GetMachine().Counters().portRequests - before,
                 std::chrono::duration_cast<std::chrono::nanoseconds>(spent), scans,
                 m.platform.GetMachine().Clock().Now() - clockBefore);
}
BENCHMARK(BM_FullAdapterScan)->Unit(benchmark::kMillisecond);

void BM_ConfigurationRead(benchmark::State& state) {
  OneCardMachine m;
  if (!m.opened) {
    state.SkipWithError("driver bring-up failed");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(rz::hw::ReadPciConfigDword(m.program.io, 1, 0, 0x2C));
  state.counters["requests_per_read"] = 2;
}
BENCHMARK(BM_ConfigurationRead);

}  // namespace
