// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated machine the EEPROM benchmarks run on (the tests' rig with a chosen chip and a
// preloaded image), test images, and bus-cost snapshots.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "app/Program.h"
#include "sim/images/TestImage.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/EepromRig.h"
#include "support/SimHarness.h"

namespace rz::bench {

// The tests' EEPROM rig (one NVIDIA card at bus 1 device 0 carrying `chip`, driver open, the card
// in the configuration table and the adapter list) with the chip preloaded with `image`, and the
// handles the benchmarks use.
class EepromRig {
 public:
  explicit EepromRig(const std::string& chip, const std::vector<std::uint8_t>& image = {})
      : rig_(Card(chip, image, imageDir_)),
        platform(rig_.harness.platform.get()),
        program(rig_.harness.program.get()),
        dir(rig_.harness.dir.Path().string()) {}

  sim::Machine& Machine() { return rig_.Machine(); }

 private:
  static nlohmann::json Card(const std::string& chip, const std::vector<std::uint8_t>& image,
                             const test::TempDir& folder) {
    nlohmann::json eeprom = {{"chip", chip}};
    if (!image.empty()) {
      testimage::WriteFile(folder.File("card.rom"), image);
      eeprom["image"] = folder.File("card.rom");
    }
    // The board the benchmarks' images are made for.
    return {{"subsystem_id", 0x34C8}, {"eeprom", eeprom}};
  }

  test::TempDir imageDir_;  // the preloaded image's file; declared first, made first
  test::EepromRig rig_;

 public:
  sim::EmulatedPlatform* const platform;
  app::Program* const program;
  const std::string dir;  // a folder of the run's own for files
};

// A BIOS image of lengthByte × 512 bytes with seeded filler.
inline std::vector<std::uint8_t> Image(std::uint8_t lengthByte, std::uint32_t seed) {
  testimage::ImageRecipe recipe;
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
