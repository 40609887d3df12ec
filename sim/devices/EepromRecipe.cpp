// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/devices/EepromRecipe.h"

#include <filesystem>

#include "base/Utf8Path.h"

#include "sim/scenario/ScenarioObject.h"

namespace rz::sim {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

std::uint32_t Size32(const json& v, const std::string& what) {
  const auto n = ParseNumber(v, what);
  if (n == 0 || n > 0x1000000 || (n & (n - 1)) != 0)
    throw ScenarioError(what + " must be a power of two up to 16 MiB");
  return static_cast<std::uint32_t>(n);
}

std::uint8_t Byte(const json& v, const std::string& what) {
  const auto n = ParseNumber(v, what);
  if (n > 0xFF) throw ScenarioError(what + " must be at most 255");
  return static_cast<std::uint8_t>(n);
}

// `key` ("stuck_cells", "unstable_cells"): {"from": N}, {"offset": N[, "count": K]} or an array
// of these, as byte ranges.
void ReadCellRanges(ScenarioObject& faults, const char* key,
                    std::vector<std::pair<std::uint32_t, std::uint32_t>>& into) {
  const std::string path = faults.PathOf(key);
  const auto one = [&](const json& entry, const std::string& where) {
    if (!entry.is_object()) throw ScenarioError(path + " entries must be objects");
    ScenarioObject o = faults.Nested(entry, where);
    if (const auto from = o.OptionalNumber("from", UINT32_MAX)) {
      into.emplace_back(static_cast<std::uint32_t>(*from), 0xFFFFFFFFu);
    } else if (const auto first = o.OptionalNumber("offset", UINT32_MAX)) {
      const auto count = o.OptionalNumber("count", UINT32_MAX).value_or(1);
      if (count == 0) throw ScenarioError(o.PathOf("count") + " must not be 0");
      into.emplace_back(static_cast<std::uint32_t>(*first),
                        static_cast<std::uint32_t>(*first + count - 1));
    } else {
      throw ScenarioError(path + " needs \"from\" or \"offset\"");
    }
    o.WarnUnknownKeys();
  };
  const json* v = faults.Find(key);
  if (!v) return;
  into.clear();
  if (!v->is_array()) return one(*v, path);
  for (std::size_t i = 0; i < v->size(); ++i) one((*v)[i], path + "[" + std::to_string(i) + "]");
}

void ReadTimings(ScenarioObject& e, ChipTimings& into) {
  ScenarioObject t = e.Object("timings");
  const std::pair<const char*, std::uint64_t ChipTimings::*> keys[] = {
      {"byte_program_us", &ChipTimings::byteProgramNs},
      {"page_write_us", &ChipTimings::pageWriteNs},
      {"page_load_window_us", &ChipTimings::pageLoadWindowNs},
      {"page_program_us", &ChipTimings::pageProgramNs},
      {"status_write_us", &ChipTimings::statusWriteNs},
      {"chip_erase_us", &ChipTimings::chipEraseNs}};
  for (const auto& [key, field] : keys)
    if (const auto us = t.OptionalNumber(key, UINT64_MAX / kMicrosecond))
      into.*field = *us * kMicrosecond;
  t.WarnUnknownKeys();
}

// `block_protect`: the block-protect field the chip starts with, as if a previous owner had left
// it so. true sets every BP bit, false none (also on a part that powers up protected), a number
// is the field itself. Only serial parts with BP bits have one.
void ReadBlockProtect(ScenarioObject& e, ChipModel& model) {
  const json* v = e.Find("block_protect");
  if (!v) return;
  const std::string path = e.PathOf("block_protect");
  const unsigned bits = model.quirks.blockProtectBits;
  if (model.interface != ChipInterface::Spi || bits == 0)
    throw ScenarioError(path + ": the chip has no block-protect bits");
  const std::uint64_t all = (1u << bits) - 1;
  const std::uint64_t n = v->is_boolean() ? (v->get<bool>() ? all : 0) : ParseNumber(*v, path);
  if (n > all)
    throw ScenarioError(path + " must be at most " + std::to_string(all) + " for this chip");
  model.startBlockProtect = static_cast<std::uint8_t>(n);
}

}  // namespace

void ReadChipFaults(ScenarioObject& f, ChipFaults& into) {
  into.stuckBusy = f.Flag("chip_stuck_busy", into.stuckBusy);
  into.unknownIds = f.Flag("unknown_ids", into.unknownIds);
  ReadCellRanges(f, "stuck_cells", into.stuckCells);
  ReadCellRanges(f, "unstable_cells", into.unstableCells);
  if (const auto n = f.OptionalNumber("power_cut_after_bytes")) into.powerCutAfterBytes = *n;
  if (const auto n = f.OptionalNumber("power_cut_after_pages")) into.powerCutAfterPages = *n;
}

EepromRecipe ParseEepromRecipe(ScenarioObject& e, const ChipFaults& scenarioFaults,
                           const std::string& baseDirectory) {
  EepromRecipe s;
  if (const auto key = e.OptionalText("chip")) {
    const ChipModel* m = FindChipModel(*key);
    if (!m) throw ScenarioError("unknown eeprom chip: " + *key);
    s.model = *m;
  } else if (const json* ids = e.Array("ids")) {
    if (ids->size() != 2) throw ScenarioError(e.PathOf("ids") + " must be [manufacturer, device]");
    const std::string iface = e.Text("interface", "parallel");
    if (iface != "spi" && iface != "parallel")
      throw ScenarioError(e.PathOf("interface") + " must be \"spi\" or \"parallel\"");
    const json* size = e.Find("size");
    s.model = UnknownChipModel(Byte((*ids)[0], e.PathOf("ids")), Byte((*ids)[1], e.PathOf("ids")),
                               iface == "spi" ? ChipInterface::Spi : ChipInterface::Parallel,
                               size ? Size32(*size, e.PathOf("size")) : 0x20000);
  } else {
    throw ScenarioError(e.Path() + " needs \"chip\" or \"ids\"");
  }
  if (const auto image = e.OptionalText("image")) {
    if (image->empty()) throw ScenarioError(e.PathOf("image") + " must name a file");
    const fs::path p = PathFromUtf8(*image);
    s.imagePath =
        Utf8FromPath((p.is_absolute() ? p : PathFromUtf8(baseDirectory) / p).lexically_normal());
  }
  s.persist = e.Flag("persist", false);
  if (s.persist && s.imagePath.empty())
    throw ScenarioError(e.PathOf("persist") + " needs an image file");
  ReadTimings(e, s.model.timings);
  ReadBlockProtect(e, s.model);
  if (const auto strap = e.OptionalNumber("strap", UINT32_MAX))
    s.strap = static_cast<std::uint32_t>(*strap);
  s.faults = scenarioFaults;
  ScenarioObject own = e.Object("faults");
  ReadChipFaults(own, s.faults);
  own.WarnUnknownKeys();
  return s;
}

}  // namespace rz::sim
