#include "sim/EepromSpec.h"

#include <filesystem>

#include "sim/Scenario.h"

namespace rz::sim {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

std::uint32_t Size32(const json& v, const char* what) {
  const auto n = ParseNumber(v, what);
  if (n == 0 || n > 0x1000000 || (n & (n - 1)) != 0)
    throw ScenarioError(std::string(what) + " must be a power of two up to 16 MiB");
  return static_cast<std::uint32_t>(n);
}

std::uint8_t Byte(const json& v, const char* what) {
  const auto n = ParseNumber(v, what);
  if (n > 0xFF) throw ScenarioError(std::string(what) + " out of range");
  return static_cast<std::uint8_t>(n);
}

void ReadStuckCells(const json& v, ChipFaults& into) {
  const auto one = [&](const json& o) {
    if (!o.is_object()) throw ScenarioError("stuck_cells entries must be objects");
    if (o.contains("from")) {
      into.stuckCells.emplace_back(
          static_cast<std::uint32_t>(ParseNumber(o.at("from"), "stuck_cells.from")), 0xFFFFFFFFu);
    } else if (o.contains("offset")) {
      const auto first = static_cast<std::uint32_t>(ParseNumber(o.at("offset"), "stuck_cells.offset"));
      const auto count = o.contains("count") ? ParseNumber(o.at("count"), "stuck_cells.count") : 1;
      if (count == 0) throw ScenarioError("stuck_cells.count must not be 0");
      into.stuckCells.emplace_back(first, static_cast<std::uint32_t>(first + count - 1));
    } else {
      throw ScenarioError("stuck_cells needs \"from\" or \"offset\"");
    }
  };
  into.stuckCells.clear();
  if (v.is_array())
    for (const auto& o : v) one(o);
  else
    one(v);
}

void ReadTimings(const json& t, ChipTimings& into) {
  if (!t.is_object()) throw ScenarioError("eeprom timings must be an object");
  const std::pair<const char*, std::uint64_t ChipTimings::*> keys[] = {
      {"byte_program_us", &ChipTimings::byteProgramNs},
      {"page_write_us", &ChipTimings::pageWriteNs},
      {"page_load_window_us", &ChipTimings::pageLoadWindowNs},
      {"page_program_us", &ChipTimings::pageProgramNs},
      {"status_write_us", &ChipTimings::statusWriteNs},
      {"chip_erase_us", &ChipTimings::chipEraseNs}};
  for (const auto& [key, field] : keys)
    if (t.contains(key)) into.*field = ParseNumber(t.at(key), key) * kMicrosecond;
}

}  // namespace

void ReadChipFaults(const json& f, ChipFaults& into) {
  if (!f.is_object()) throw ScenarioError("faults must be an object");
  if (f.contains("chip_stuck_busy")) into.stuckBusy = f.at("chip_stuck_busy").get<bool>();
  if (f.contains("unknown_ids")) into.unknownIds = f.at("unknown_ids").get<bool>();
  if (f.contains("stuck_cells")) ReadStuckCells(f.at("stuck_cells"), into);
  if (f.contains("power_cut_after_bytes"))
    into.powerCutAfterBytes = ParseNumber(f.at("power_cut_after_bytes"), "power_cut_after_bytes");
  if (f.contains("power_cut_after_pages"))
    into.powerCutAfterPages = ParseNumber(f.at("power_cut_after_pages"), "power_cut_after_pages");
}

namespace {

EepromSpec Parse(const json& e, const json& scenarioFaults, const std::string& baseDirectory) {
  if (!e.is_object()) throw ScenarioError("eeprom must be an object");
  EepromSpec s;
  if (e.contains("chip")) {
    const std::string key = e.at("chip").get<std::string>();
    const ChipModel* m = FindChipModel(key);
    if (!m) throw ScenarioError("unknown eeprom chip: " + key);
    s.model = *m;
  } else if (e.contains("ids")) {
    const json& ids = e.at("ids");
    if (!ids.is_array() || ids.size() != 2) throw ScenarioError("eeprom ids must be [manufacturer, device]");
    const std::string iface = e.value("interface", std::string("parallel"));
    if (iface != "spi" && iface != "parallel")
      throw ScenarioError("eeprom interface must be \"spi\" or \"parallel\"");
    const std::uint32_t size = e.contains("size") ? Size32(e.at("size"), "eeprom size") : 0x20000;
    s.model = UnknownChipModel(Byte(ids[0], "eeprom ids"), Byte(ids[1], "eeprom ids"),
                               iface == "spi" ? ChipInterface::Spi : ChipInterface::Parallel, size);
  } else {
    throw ScenarioError("eeprom needs \"chip\" or \"ids\"");
  }
  if (e.contains("image")) {
    const fs::path p = e.at("image").get<std::string>();
    s.imagePath = (p.is_absolute() ? p : fs::path(baseDirectory) / p).lexically_normal().string();
  }
  s.persist = e.value("persist", false);
  if (s.persist && s.imagePath.empty()) throw ScenarioError("eeprom persist needs an image file");
  if (e.contains("timings")) ReadTimings(e.at("timings"), s.model.timings);
  if (e.contains("strap")) s.strap = static_cast<std::uint32_t>(ParseNumber(e.at("strap"), "strap"));
  if (scenarioFaults.is_object()) ReadChipFaults(scenarioFaults, s.faults);
  if (e.contains("faults")) ReadChipFaults(e.at("faults"), s.faults);
  return s;
}

}  // namespace

EepromSpec ParseEepromSpec(const json& e, const json& scenarioFaults,
                           const std::string& baseDirectory) {
  try {
    return Parse(e, scenarioFaults, baseDirectory);
  } catch (const json::exception& x) {  // a value of the wrong JSON type
    throw ScenarioError(std::string("eeprom: ") + x.what());
  }
}

}  // namespace rz::sim
