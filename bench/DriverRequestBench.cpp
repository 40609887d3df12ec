// SPDX-License-Identifier: GPL-3.0-or-later
// Host cost of one driver request as the program makes it, through the driver protocol's buffers,
// the emulated device and the bus: the delay-port byte write (most of a serial flash's requests),
// and a dword read and write of a mapped card register. With and without a bus trace recorded.
#include <benchmark/benchmark.h>

#include "EepromRig.h"
#include "eeprom/RomWindow.h"

namespace {

using rz::bench::EepromRig;

// The card's register window, with memory decoding on, mapped through the program's own request.
std::uint32_t MapRegisters(EepromRig& rig) {
  rz::sim::PciDevice* card = rig.platform->AdapterDevice(0);
  card->ConfigWrite(0x04, card->Command() | 0x0002);
  auto& io = rig.program->io;
  std::uint32_t linear = 0;
  io.MapPhysicalMemory(0xC0000000u, rz::eeprom::kWindowLength, linear);
  return linear;
}

void BM_DelayPortWrite(benchmark::State& state) {
  EepromRig rig("PMC PM25LV010");
  rig.Machine().Trace().Enable(state.range(0) != 0);
  auto& io = rig.program->io;
  for (auto _ : state) {
    benchmark::DoNotOptimize(io.WritePortByte(0xEB, 0));
    if (state.range(0) != 0 && rig.Machine().Trace().Events().size() > 4096)
      rig.Machine().Trace().Clear();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_DelayPortWrite)->ArgName("trace")->Arg(0)->Arg(1);

void BM_RegisterReadWrite(benchmark::State& state) {
  EepromRig rig("PMC PM25LV010");
  auto& io = rig.program->io;
  const std::uint32_t reg = MapRegisters(rig) + rz::eeprom::kRegC040;
  for (auto _ : state) {
    const std::uint32_t v = io.ReadMem32(reg);
    io.WriteMem32(reg, v ^ 0x100);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(2 * state.iterations()));
}
BENCHMARK(BM_RegisterReadWrite);

}  // namespace
