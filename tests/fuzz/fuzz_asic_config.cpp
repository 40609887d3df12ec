// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the RZFLASH.CFG parser: any bytes must parse without a fault, the stored entries never
// exceed the sizing pass's count and are the first ones an unbounded loading pass finds, and no
// name exceeds its field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "config/AsicTable.h"

namespace {
volatile std::uint32_t g_sink;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::size_t capacity = 0;
  const auto entries = rz::config::ParseAsicText(text, capacity);
  if (entries.size() > capacity) std::abort();
  const auto unbounded =
      rz::config::LoadAsicRecords(text, std::numeric_limits<std::size_t>::max());
  if (unbounded.size() < entries.size()) std::abort();
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (!(entries[i] == unbounded[i])) std::abort();
  for (const auto& e : entries) {
    if (e.name.size() > rz::config::kAsicNameMax) std::abort();
    g_sink = g_sink + e.vendorId + e.deviceId + e.type + e.promFlag + e.param10;
    for (char c : e.name) g_sink = g_sink + static_cast<unsigned char>(c);
  }
  return 0;
}
