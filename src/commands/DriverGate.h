// SPDX-License-Identifier: GPL-3.0-or-later
// The display-driver gate of the flash command: two ATI board models need a display driver of at
// least version 8.542.0.0. Finds the driver version of adapter 0 in the registry and compares it.
#pragma once
#include <cstdint>
#include <string>

#include "hw/AdapterScan.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "ui/Ui.h"

namespace rz::commands {

inline constexpr const char* kMinDriverVersion = "8.542.0.0";
inline constexpr const char* kDriverTooOldText = "Please update Display driver more than 8.542.0.0 !!!";
inline constexpr const char* kEnumPciKey = "SYSTEM\\CurrentControlSet\\Enum\\PCI";
inline constexpr const char* kControlClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class";

inline constexpr std::uint32_t kGatedIds = 0x94421002;  // vendor 0x1002, device 0x9442
inline constexpr std::uint16_t kGatedSubsystemIdFirst = 0x21B8;
inline constexpr std::uint16_t kGatedSubsystemIdSecond = 0x21B4;

// Numbers of one hardware-id key name (VEN_vvvv&DEV_dddd&SUBSYS_ssssuuuu&REV_rr).
struct HardwareId {
  std::uint16_t vendorId = 0;
  std::uint16_t deviceId = 0;
  std::uint16_t subsystemId = 0;
  std::uint16_t subsystemVendorId = 0;
  std::uint16_t revisionId = 0;
  friend bool operator==(const HardwareId&, const HardwareId&) = default;
};

// Main-window state of the gate; both items keep their values between checks.
struct DriverGateState {
  std::string driverVersion;
  HardwareId hardwareId;
};

// Fills `id` field by field from `name`; stops quietly at the first field whose characters are
// not hexadecimal, leaving that field and the later ones as they were.
void ParseHardwareId(const std::string& name, HardwareId& id);

// Walks Enum\PCI for adapter 0's hardware id; every matching instance whose class key opens
// overwrites state.driverVersion, so the last one enumerated wins. Stores GetOSVer in `osVersion`.
void ReadDisplayDriverVersion(platform::Registry& registry, platform::System& system,
                              std::uint32_t& osVersion, const hw::PciAdapter& adapter0,
                              DriverGateState& state);

// True for the two gated board models.
bool IsDriverGatedModel(const hw::PciAdapter& adapter0);

// True when `version` is older than `minimum`, both dot-separated decimal numbers compared part
// by part as numbers (missing parts count as 0). A version that is empty or not of that form is
// taken as older.
bool DriverVersionBefore(const std::string& version, const std::string& minimum);

// The gate at the start of the flash command: false (after the update message) when the flash
// must not go on.
bool PassDriverGate(platform::Registry& registry, platform::System& system,
                    std::uint32_t& osVersion, const hw::PciAdapter& adapter0,
                    DriverGateState& state, ui::Ui& ui);

}  // namespace rz::commands
