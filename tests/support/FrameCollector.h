// SPDX-License-Identifier: GPL-3.0-or-later
// A scripted Ui that decodes the serial frames of the bus trace at every programming progress
// report and then clears the trace, so that programming a whole chip can be checked frame by frame
// in little memory.
#pragma once
#include <cstdint>
#include <vector>

#include "sim/devices/Machine.h"
#include "support/EepromRig.h"
#include "support/ScriptedUi.h"

namespace rz::test {

class FrameCollector : public ui::ScriptedUi {
 public:
  FrameCollector(sim::Machine& machine, std::uint32_t gpioOffset)
      : machine_(machine), gpio_(gpioOffset) {
    machine_.Trace().Clear();
    machine_.Trace().Enable(true);
  }
  void ReportProgress(ui::Phase phase, std::uint32_t done, std::uint32_t total) override {
    phases.push_back(phase);
    reports.emplace_back(done, total);
    // Only programming's reports: the trace before the first of them (PROM access, the erase)
    // stays for the test to read.
    if (phase == ui::Phase::Programming) Collect();
  }
  // Decodes what is left in the trace.
  void Collect() {
    for (auto& f : DecodeSpiFrames(machine_.Trace().Events(), gpio_)) frames.push_back(std::move(f));
    machine_.Trace().Clear();
  }

  std::vector<SpiFrameRecord> frames;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> reports;  // done, total
  std::vector<ui::Phase> phases;                                  // of each report

 private:
  sim::Machine& machine_;
  std::uint32_t gpio_;
};

// The context of `rig` with another Ui.
inline eeprom::EepromContext WithUi(const eeprom::EepromContext& c, ui::Ui& ui) {
  return eeprom::EepromContext{c.io,       c.system,   c.files,     ui,          c.asics,
                               c.adapters, c.window,   c.signature, c.modelText, c.imageBuffer};
}

}  // namespace rz::test
