// Description of an emulated machine: adapters, program folder, driver, faults. Loaded from a JSON
// file or from a named preset.
#pragma once
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace rz::sim {

struct AdapterSpec {
  std::uint8_t bus = 1;
  std::uint8_t device = 0;
  std::uint16_t vendorId = 0x10DE;
  std::uint16_t deviceId = 0;
  std::uint16_t subsystemVendorId = 0;
  std::uint16_t subsystemId = 0;
  std::uint32_t classCode = 0x030000;
  std::uint8_t revision = 0;
  std::vector<std::uint8_t> capabilities = {0x10};
  bool loopingCapabilities = false;
  std::optional<std::uint32_t> bar0;  // assigned when absent
  nlohmann::json eeprom;              // the card's EEPROM, read by the card models
};

struct ScenarioSpec {
  std::string name;
  std::string baseDirectory;     // folder of the JSON file; relative paths are taken against it
  std::string programFolder;     // absolute, with trailing separator
  std::string workingDirectory;  // absolute; empty: the process's own
  std::string executableName = "rzflash";
  std::string displayDriverVersion;
  std::uint32_t osVersion = 0;
  bool driverPresent = true;
  std::vector<AdapterSpec> adapters;
  nlohmann::json faults = nlohmann::json::object();
  nlohmann::json raw;  // the whole description, for keys read by later parts of the emulator
};

class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A number given as a JSON integer or as a text such as "0x10DE" or "4318".
std::uint64_t ParseNumber(const nlohmann::json& value, const char* what);

ScenarioSpec ParseScenario(const nlohmann::json& description, const std::string& baseDirectory);
ScenarioSpec LoadScenarioFile(const std::string& path);

}  // namespace rz::sim
