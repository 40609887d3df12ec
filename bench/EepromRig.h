// The emulated machine the EEPROM benchmarks run on (one NVIDIA card with a chosen chip, driver
// open, card known to the configuration table), test images, and bus-cost snapshots.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "app/Program.h"
#include "base/BuildConfig.h"
#include "platform/PrivateFolder.h"
#include "sim/EmulatedPlatform.h"
#include "testimage/TestImage.h"
#include "ui/ScriptedUi.h"

namespace rz::bench {

// One program on an emulated machine with an NVIDIA card carrying `chip` (preloaded with `image`),
// driver open, the card in the configuration table and in the adapter list.
struct EepromRig {
  explicit EepromRig(const std::string& chip, const std::vector<std::uint8_t>& image = {}) {
    namespace fs = std::filesystem;
    using nlohmann::json;
    dir = platform::MakePrivateFolder("rzflash-bench-").value_or(fs::temp_directory_path().string());
    json eeprom = {{"chip", chip}};
    if (!image.empty()) {
      testimage::WriteFile(dir + "/card.rom", image);
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
    platform = std::make_unique<sim::EmulatedPlatform>(sim::ParseScenario(scenario, dir));
    program = std::make_unique<app::Program>(platform->Seams(), ui);
    program->driver.OpenDriver();
    config::AsicEntry entry;
    entry.vendorId = 0x10DE;
    entry.deviceId = 0x0191;
    entry.type = 1;
    program->asics.entries.push_back(entry);
    program->adapters.count = 1;
    program->adapters.adapters[0] = {1, 0, 0x019110DEu, 0x34C80000u | kMakerSubsystemVendorId, 0};
    program->romWindow.newGpioLayout = true;  // 0x0191 uses the newer register layout
  }
  ~EepromRig() {
    program.reset();
    platform.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  EepromRig(const EepromRig&) = delete;
  EepromRig& operator=(const EepromRig&) = delete;

  sim::Machine& Machine() { return platform->GetMachine(); }

  std::string dir;
  ui::ScriptedUi ui;
  std::unique_ptr<sim::EmulatedPlatform> platform;
  std::unique_ptr<app::Program> program;
};

// A BIOS image of lengthByte × 512 bytes with seeded filler.
inline std::vector<std::uint8_t> Image(std::uint8_t lengthByte, std::uint32_t seed) {
  testimage::ImageSpec recipe;
  recipe.lengthByte = lengthByte;
  recipe.seed = seed;
  return testimage::BuildImage(recipe);
}

// `size` bytes of seeded filler (xorshift32): content for images longer than a length byte says.
inline std::vector<std::uint8_t> Filler(std::uint32_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> out(size);
  std::uint32_t x = seed ? seed : 1;
  for (auto& b : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  return out;
}

// The machine's clock and request counters at one moment; the difference of two snapshots splits
// emulated time into its parts: sleeps, port requests, mapped-memory accesses and map requests.
struct BusSnapshot {
  std::uint64_t clockNs = 0;
  std::uint64_t portRequests = 0;
  std::uint64_t delayPortWrites = 0;
  std::uint64_t memReads = 0;
  std::uint64_t memWrites = 0;
  std::uint64_t mapRequests = 0;  // map and unmap
  std::uint64_t sleptMs = 0;

  static BusSnapshot Take(sim::Machine& m) {
    const auto& c = m.Counters();
    return {m.Clock().Now(), c.portRequests, c.delayPortWrites, c.memReads, c.memWrites,
            c.mapRequests + c.unmapRequests, c.sleptMs};
  }
  BusSnapshot operator-(const BusSnapshot& b) const {
    return {clockNs - b.clockNs,         portRequests - b.portRequests,
            delayPortWrites - b.delayPortWrites, memReads - b.memReads,
            memWrites - b.memWrites,     mapRequests - b.mapRequests,
            sleptMs - b.sleptMs};
  }
  BusSnapshot& operator+=(const BusSnapshot& b) {
    clockNs += b.clockNs;
    portRequests += b.portRequests;
    delayPortWrites += b.delayPortWrites;
    memReads += b.memReads;
    memWrites += b.memWrites;
    mapRequests += b.mapRequests;
    sleptMs += b.sleptMs;
    return *this;
  }
};

// Per-run averages of a bus snapshot as benchmark counters: emulated seconds and their split.
inline void ReportBus(benchmark::State& state, const BusSnapshot& total, const char* prefix = "") {
  const double n = state.iterations() ? static_cast<double>(state.iterations()) : 1.0;
  const std::string p = prefix;
  state.counters[p + "emulated_s"] = static_cast<double>(total.clockNs) / n / 1e9;
  state.counters[p + "slept_s"] = static_cast<double>(total.sleptMs) / n / 1e3;
  state.counters[p + "port_requests"] = static_cast<double>(total.portRequests) / n;
  state.counters[p + "delay_writes"] = static_cast<double>(total.delayPortWrites) / n;
  state.counters[p + "mem_reads"] = static_cast<double>(total.memReads) / n;
  state.counters[p + "mem_writes"] = static_cast<double>(total.memWrites) / n;
}

}  // namespace rz::bench
