// SPDX-License-Identifier: GPL-3.0-or-later
// How long the sysfs access method's stand-in for one port write takes: the calibrated busy wait
// behind every byte write to the delay port 0xEB (meant to be about 1 us).
#ifdef __linux__
#include <benchmark/benchmark.h>

#include "backends/linux/access/CalibratedWait.h"

namespace {

void BM_CalibratedPortWriteWait(benchmark::State& state) {
  const rz::platform::CalibratedWait wait(std::chrono::nanoseconds(1000));
  for (auto _ : state) wait.Wait();
  state.counters["spins"] = static_cast<double>(wait.SpinsPerUnit());
}
BENCHMARK(BM_CalibratedPortWriteWait);

}  // namespace
#endif
