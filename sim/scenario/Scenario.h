// SPDX-License-Identifier: GPL-3.0-or-later
// Description of an emulated machine: adapters, program folder, driver, faults. Loaded from a JSON
// file or from a named preset; every key is read and checked here, so a malformed description is
// a ScenarioError before anything of the machine is built.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/System.h"
#include "sim/devices/AtiEeprom.h"
#include "sim/devices/EepromRecipe.h"
#include "sim/scenario/ScenarioObject.h"
#include "sim/seams/PlatformFaults.h"
#include "sim/seams/VendorToolBehaviour.h"

namespace rz::sim {

struct AdapterRecipe {
  std::uint8_t bus = 1;
  std::uint8_t device = 0;
  std::uint16_t vendorId = 0x10DE;
  std::uint16_t deviceId = 0;
  std::uint16_t subsystemVendorId = 0;
  std::uint16_t subsystemId = 0;
  // An NVIDIA card that takes its subsystem ids from its BIOS at power-on, as the real boards do:
  // a chip without a BIOS gives 0000:0000.
  bool subsystemFromBios = false;
  std::uint32_t classCode = 0x030000;
  std::uint8_t revision = 0;
  std::vector<std::uint8_t> capabilities = {0x10};
  bool loopingCapabilities = false;
  std::optional<std::uint32_t> bar0;  // assigned when absent
  std::optional<EepromRecipe> eeprom;   // an NVIDIA card's EEPROM chip; none: the card has no chip
  AtiEeprom atiEeprom;                // an ATI card's BIOS store
};

struct ScenarioRecipe {
  std::string name;
  std::string baseDirectory;     // folder of the JSON file; relative paths are taken against it
  std::string programFolder;     // absolute, with trailing separator
  std::string workingDirectory;  // absolute; empty: the process's own
  platform::UserFolders userFolders;  // the user's home and data folders; none by default
  std::string executableName = "rzflash";
  std::optional<std::string> displayDriverVersion;  // none: the registry names no driver
  std::uint32_t osVersion = 0;
  bool driverPresent = true;
  // Local time at the machine's start, in seconds since 1970-01-01 00:00:00 ("calendar_start");
  // none: 2026-01-01 00:00:00, or the real time for a scenario file the user runs.
  std::optional<std::int64_t> calendarStart;
  // The calendar is the computer's own clock, not a start plus the virtual clock (which runs ahead
  // of real time wherever the emulated hardware waits).
  bool realCalendar = false;
  std::vector<AdapterRecipe> adapters;
  PlatformFaults faults;
  VendorToolBehaviour vendorTool;
  std::vector<std::string> warnings;  // keys of the description nothing reads, one text each
};

// Deepest nesting of arrays and objects a scenario file may have.
inline constexpr int kMaxScenarioDepth = 64;

ScenarioRecipe ParseScenario(const nlohmann::json& description, const std::string& baseDirectory);
// Parses the JSON text of a scenario named `name` (for messages), nested at most
// kMaxScenarioDepth levels. Throws ScenarioError, and nothing else, for any text.
ScenarioRecipe ParseScenarioText(std::string_view text, const std::string& name,
                               const std::string& baseDirectory);
ScenarioRecipe LoadScenarioFile(const std::string& path);

}  // namespace rz::sim
