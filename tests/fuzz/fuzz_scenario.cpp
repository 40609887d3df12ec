// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the scenario parser: whatever the text, parsing ends with a description or a
// ScenarioError; any other exception, a crash or a stack overflow is a finding. Only parsed: a
// machine built from fuzzed text could write persistent images anywhere.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sim/scenario/Scenario.h"

namespace {
volatile std::size_t g_sink;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const auto recipe = rz::sim::ParseScenarioText(text, "fuzz.json", "/nonexistent-fuzz-folder");
    g_sink = g_sink + recipe.adapters.size() + recipe.warnings.size();
  } catch (const rz::sim::ScenarioError&) {
  }
  return 0;
}
