// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/scenario/Scenario.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "base/BuildConfig.h"
#include "base/Paths.h"
#include "base/Utf8Path.h"
#include "sim/devices/AtiCard.h"
#include "sim/scenario/Calendar.h"
#include "sim/scenario/FactoryBios.h"

namespace rz::sim {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr std::uint16_t kNvidiaVendorId = 0x10DE;

std::uint8_t CapabilityId(const json& c, const std::string& what) {
  if (c.is_string()) {
    const auto& s = c.get_ref<const std::string&>();
    if (s == "pcie") return 0x10;
    if (s == "agp") return 0x02;
    if (s == "pm") return 0x01;
    if (s == "msi") return 0x05;
    if (s == "vendor") return 0x09;
  }
  const auto n = ParseNumber(c, what);
  if (n > 0xFF) throw ScenarioError(what + " must be at most 255");
  return static_cast<std::uint8_t>(n);
}

bool IsMaker(const json* v) {
  return v && v->is_string() && v->get_ref<const std::string&>() == "maker";
}

// An NVIDIA card without an `eeprom` object (or with null or an empty one) has no chip.
bool NamesAChip(const json* e) { return e && !e->is_null() && !(e->is_object() && e->empty()); }

AdapterRecipe ParseAdapter(ScenarioObject& a, const ChipFaults& chipFaults,
                         const std::string& baseDirectory) {
  AdapterRecipe s;
  s.bus = a.Number<std::uint8_t>("bus", 1);
  s.device = a.Number<std::uint8_t>("device", 0);
  if (s.device > 31) throw ScenarioError(a.PathOf("device") + " must be at most 31");
  s.vendorId = a.Number<std::uint16_t>("vendor_id", kNvidiaVendorId);
  s.deviceId = a.Number<std::uint16_t>("device_id", 0);
  s.subsystemVendorId =
      IsMaker(a.Find("subsystem_vendor_id"))
          ? kMakerSubsystemVendorId
          : a.Number<std::uint16_t>("subsystem_vendor_id", kMakerSubsystemVendorId);
  s.subsystemId = a.Number<std::uint16_t>("subsystem_id", 0);
  s.classCode = a.Number<std::uint32_t>("class", 0x030000);
  s.revision = a.Number<std::uint8_t>("revision", 0);
  if (const json* caps = a.Array("capabilities")) {
    s.capabilities.clear();
    for (std::size_t i = 0; i < caps->size(); ++i)
      s.capabilities.push_back(
          CapabilityId((*caps)[i], a.PathOf("capabilities") + "[" + std::to_string(i) + "]"));
  }
  s.loopingCapabilities = a.Flag("looping_capabilities", false);
  if (const auto bar0 = a.OptionalNumber("bar0", UINT32_MAX))
    s.bar0 = static_cast<std::uint32_t>(*bar0);
  // Only NVIDIA and ATI cards read an `eeprom` object; on another adapter it is an unknown key.
  if (s.vendorId == kNvidiaVendorId) {
    s.subsystemFromBios = a.Flag("subsystem_from_bios", false);
    if (const json* e = a.Find("eeprom"); NamesAChip(e)) {
      ScenarioObject eeprom = a.Nested(*e, a.PathOf("eeprom"));
      s.eeprom = ParseEepromRecipe(eeprom, chipFaults, baseDirectory);
      s.eeprom->factoryImage = ParseFactoryBios(eeprom, s);
      eeprom.WarnUnknownKeys();
    }
  } else if (s.vendorId == kAtiVendorId) {
    if (const json* e = a.Find("eeprom"); e && !e->is_null()) {
      ScenarioObject eeprom = a.Nested(*e, a.PathOf("eeprom"));
      s.atiEeprom = ParseAtiEeprom(eeprom, baseDirectory);
      s.atiEeprom.factoryImage = ParseFactoryBios(eeprom, s);
      eeprom.WarnUnknownKeys();
    }
  }
  return s;
}

// The machine has one slot per bus and device: a second adapter there would replace the first.
void RefuseSharedSlots(const std::vector<AdapterRecipe>& adapters) {
  std::set<std::pair<unsigned, unsigned>> taken;
  for (const AdapterRecipe& a : adapters)
    if (!taken.emplace(a.bus, a.device).second)
      throw ScenarioError("two adapters at bus " + std::to_string(a.bus) + " device " +
                          std::to_string(a.device));
}

// The folder with the system's own separator at its end, as the program's folders are kept (the
// folder part of a path is taken up to its last separator).
std::string WithSeparator(std::string p) {
  if (!p.empty() && p.back() != kPathSeparator && p.back() != '/') p += kPathSeparator;
  return p;
}

}  // namespace

ScenarioRecipe ParseScenario(const json& d, const std::string& baseDirectory) {
  ScenarioRecipe s;
  ScenarioObject top(d, "", &s.warnings);
  s.baseDirectory =
      WithSeparator(Utf8FromPath(fs::absolute(PathFromUtf8(baseDirectory)).lexically_normal()));
  s.name = top.Text("name", "");
  const auto resolve = [&](const std::string& p) {
    const fs::path given = PathFromUtf8(p);
    return given.is_absolute() ? p
                               : Utf8FromPath((PathFromUtf8(s.baseDirectory) / given).lexically_normal());
  };
  s.programFolder = WithSeparator(resolve(top.Text("program_folder", ".")));
  if (const auto wd = top.OptionalText("working_directory")) s.workingDirectory = resolve(*wd);
  if (const auto home = top.OptionalText("home")) s.userFolders.home = resolve(*home);
  if (const auto data = top.OptionalText("data_home")) s.userFolders.dataHome = resolve(*data);
  s.executableName = top.Text("executable", "rzflash");
  s.displayDriverVersion = top.OptionalText("display_driver_version");
  s.osVersion = top.Number<std::uint32_t>("os_version", 0);
  const std::string driver = top.Text("driver", "ok");
  if (driver != "ok" && driver != "missing")
    throw ScenarioError(top.PathOf("driver") + " must be \"ok\" or \"missing\"");
  s.driverPresent = driver == "ok";
  if (const auto start = top.OptionalText("calendar_start")) {
    s.calendarStart = ParseCalendarText(*start);
    if (!s.calendarStart)
      throw ScenarioError(top.PathOf("calendar_start") +
                          " must be a local time \"YYYY-MM-DDTHH:MM:SS\" from 1970 on");
  }

  // One `faults` object holds the machine's faults and those every chip starts with.
  ScenarioObject faults = top.Object("faults");
  s.faults = ReadPlatformFaults(faults);
  ChipFaults chipFaults;
  ReadChipFaults(faults, chipFaults);
  faults.WarnUnknownKeys();

  if (const json* tool = top.Find("vendor_tool"))
    s.vendorTool = ParseVendorToolBehaviour(*tool, top.PathOf("vendor_tool"));
  if (const json* adapters = top.Array("adapters")) {
    for (std::size_t i = 0; i < adapters->size(); ++i) {
      ScenarioObject a =
          top.Nested((*adapters)[i], top.PathOf("adapters") + "[" + std::to_string(i) + "]");
      s.adapters.push_back(ParseAdapter(a, chipFaults, s.baseDirectory));
      a.WarnUnknownKeys();
    }
  }
  RefuseSharedSlots(s.adapters);
  top.WarnUnknownKeys();
  return s;
}

ScenarioRecipe ParseScenarioText(std::string_view text, const std::string& name,
                               const std::string& baseDirectory) {
  // The parser itself keeps its own stack, but copying or comparing a value recurses once per
  // level, so a file nested a million levels deep would overflow the stack later. Refuse it while
  // parsing, before such a value exists.
  const json::parser_callback_t bound = [&name](int depth, json::parse_event_t event, json&) {
    if ((event == json::parse_event_t::object_start || event == json::parse_event_t::array_start) &&
        depth >= kMaxScenarioDepth)
      throw ScenarioError("scenario file " + name + " is nested deeper than " +
                          std::to_string(kMaxScenarioDepth) + " levels");
    return true;
  };
  json d;
  try {
    d = json::parse(text, bound);
  } catch (const json::exception& e) {
    throw ScenarioError("scenario file " + name + ": " + e.what());
  }
  return ParseScenario(d, baseDirectory);
}

ScenarioRecipe LoadScenarioFile(const std::string& path) {
  // Opening a pipe would wait for a writer: only a plain file is read.
  const fs::path file = PathFromUtf8(path);
  std::error_code ec;
  if (fs::exists(file, ec) && !fs::is_regular_file(file, ec))
    throw ScenarioError("scenario file " + path + " is not a plain file");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ScenarioError("cannot open scenario file " + path);
  std::string text;
  try {
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure& e) {  // a read error, e.g. the path names a folder
    throw ScenarioError("cannot read scenario file " + path + ": " + e.what());
  }
  if (in.bad()) throw ScenarioError("cannot read scenario file " + path);
  return ParseScenarioText(text, path, Utf8FromPath(fs::absolute(file).parent_path()));
}

}  // namespace rz::sim
