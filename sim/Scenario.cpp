#include "sim/Scenario.h"

#include <filesystem>
#include <fstream>

#include "base/BuildConfig.h"

namespace rz::sim {

namespace fs = std::filesystem;
using nlohmann::json;

std::uint64_t ParseNumber(const json& v, const char* what) {
  if (v.is_number_unsigned()) return v.get<std::uint64_t>();
  if (v.is_number_integer() && v.get<std::int64_t>() >= 0) return v.get<std::uint64_t>();
  if (v.is_string()) {
    const std::string s = v.get<std::string>();
    try {
      std::size_t used = 0;
      const auto n = std::stoull(s, &used, 0);
      if (used == s.size() && !s.empty()) return n;
    } catch (const std::exception&) {
    }
  }
  throw ScenarioError(std::string("not a number: ") + what);
}

namespace {

template <typename T>
T Num(const json& obj, const char* key, T fallback) {
  if (!obj.contains(key)) return fallback;
  const auto n = ParseNumber(obj.at(key), key);
  if (n > std::numeric_limits<T>::max()) throw ScenarioError(std::string("out of range: ") + key);
  return static_cast<T>(n);
}

std::uint8_t CapabilityId(const json& c) {
  if (c.is_string()) {
    const auto s = c.get<std::string>();
    if (s == "pcie") return 0x10;
    if (s == "agp") return 0x02;
    if (s == "pm") return 0x01;
    if (s == "msi") return 0x05;
    if (s == "vendor") return 0x09;
  }
  const auto n = ParseNumber(c, "capability");
  if (n > 0xFF) throw ScenarioError("capability id out of range");
  return static_cast<std::uint8_t>(n);
}

AdapterSpec ParseAdapter(const json& a) {
  if (!a.is_object()) throw ScenarioError("an adapter must be an object");
  AdapterSpec s;
  s.bus = Num<std::uint8_t>(a, "bus", 1);
  s.device = Num<std::uint8_t>(a, "device", 0);
  if (s.device > 31) throw ScenarioError("device number above 31");
  s.vendorId = Num<std::uint16_t>(a, "vendor_id", 0x10DE);
  s.deviceId = Num<std::uint16_t>(a, "device_id", 0);
  if (a.contains("subsystem_vendor_id") && a.at("subsystem_vendor_id") == "maker")
    s.subsystemVendorId = kMakerSubsystemVendorId;
  else
    s.subsystemVendorId = Num<std::uint16_t>(a, "subsystem_vendor_id", kMakerSubsystemVendorId);
  s.subsystemId = Num<std::uint16_t>(a, "subsystem_id", 0);
  s.classCode = Num<std::uint32_t>(a, "class", 0x030000);
  s.revision = Num<std::uint8_t>(a, "revision", 0);
  if (a.contains("capabilities")) {
    s.capabilities.clear();
    for (const auto& c : a.at("capabilities")) s.capabilities.push_back(CapabilityId(c));
  }
  s.loopingCapabilities = a.value("looping_capabilities", false);
  if (a.contains("bar0")) s.bar0 = Num<std::uint32_t>(a, "bar0", 0);
  if (a.contains("eeprom")) s.eeprom = a.at("eeprom");
  return s;
}

std::string WithSeparator(std::string p) {
  if (!p.empty() && p.back() != '/') p += '/';
  return p;
}

}  // namespace

ScenarioSpec ParseScenario(const json& d, const std::string& baseDirectory) {
  if (!d.is_object()) throw ScenarioError("a scenario must be a JSON object");
  ScenarioSpec s;
  s.raw = d;
  s.baseDirectory = WithSeparator(fs::absolute(baseDirectory).lexically_normal().string());
  s.name = d.value("name", std::string());
  const auto resolve = [&](const std::string& p) {
    return fs::path(p).is_absolute() ? p : (fs::path(s.baseDirectory) / p).lexically_normal().string();
  };
  s.programFolder = WithSeparator(resolve(d.value("program_folder", std::string("."))));
  if (d.contains("working_directory"))
    s.workingDirectory = resolve(d.at("working_directory").get<std::string>());
  s.executableName = d.value("executable", std::string("rzflash"));
  s.displayDriverVersion = d.value("display_driver_version", std::string());
  s.osVersion = Num<std::uint32_t>(d, "os_version", 0);
  const std::string driver = d.value("driver", std::string("ok"));
  if (driver != "ok" && driver != "missing") throw ScenarioError("driver must be \"ok\" or \"missing\"");
  s.driverPresent = driver == "ok";
  if (d.contains("adapters")) {
    if (!d.at("adapters").is_array()) throw ScenarioError("adapters must be an array");
    for (const auto& a : d.at("adapters")) s.adapters.push_back(ParseAdapter(a));
  }
  if (d.contains("faults")) {
    if (!d.at("faults").is_object()) throw ScenarioError("faults must be an object");
    s.faults = d.at("faults");
  }
  return s;
}

ScenarioSpec LoadScenarioFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw ScenarioError("cannot open scenario file " + path);
  json d;
  try {
    d = json::parse(in);
  } catch (const json::exception& e) {
    throw ScenarioError("scenario file " + path + ": " + e.what());
  }
  return ParseScenario(d, fs::absolute(path).parent_path().string());
}

}  // namespace rz::sim
