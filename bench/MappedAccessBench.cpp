// SPDX-License-Identifier: GPL-3.0-or-later
// What one access through a Linux mapping token costs: the token lookup and the one indirect call
// to the mapped memory, on an ordinary file standing in for /dev/mem (page-cache memory, so the
// figure is the program's own overhead, not a bus cycle).
#ifdef __linux__
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "backends/linux/access/LinuxDriverDevice.h"
#include "base/LittleEndian.h"
#include "platform/driver/DriverProtocol.h"
#include "support/SimHarness.h"

namespace {

constexpr std::uint32_t kWindow = 0x10000;

struct RawDevice {
  rz::test::TempDir dir;
  rz::platform::LinuxDriverDevice device{rz::platform::LinuxDriverPaths{
      dir.File("port"), dir.File("mem"), rz::platform::WidePortAccess::PortFileBytes,
      dir.File("devices")}};
  std::uint32_t token = 0;

  RawDevice() {
    dir.Write("port", std::string(0x10000, '\0'));
    dir.Write("mem", std::string(kWindow, '\x5A'));
    // One device line with a memory BAR0 over the whole file.
    char line[256];
    std::snprintf(line, sizeof line, "0100\t10de0191\t0\t0\t0\t0\t0\t0\t0\t0\t%x\t0\t0\t0\t0\t0\t0\t\n",
                  kWindow);
    dir.Write("devices", line);
    const auto handle = device.Open("");
    const auto in = rz::platform::EncodePhysMap({0, kWindow});
    std::uint8_t out[4] = {};
    if (device.Control(handle, rz::platform::kIoctlMapPhysToLinear, in.data(), rz::platform::kPhysMapRequestSize,
                       out, sizeof out))
      token = rz::le::Get32(out);
  }
};

void BM_MappedRead32(benchmark::State& state) {
  RawDevice raw;
  if (raw.token == 0) state.SkipWithError("the map failed");
  std::uint32_t at = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(raw.device.ReadMapped32(raw.token + at));
    at = (at + 4) & (kWindow - 4);
  }
}
BENCHMARK(BM_MappedRead32);

void BM_MappedWrite8(benchmark::State& state) {
  RawDevice raw;
  if (raw.token == 0) state.SkipWithError("the map failed");
  std::uint32_t at = 0;
  for (auto _ : state) {
    raw.device.WriteMapped8(raw.token + at, 0xA5);
    at = (at + 1) & (kWindow - 1);
  }
}
BENCHMARK(BM_MappedWrite8);

}  // namespace
#endif
