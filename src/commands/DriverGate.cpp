// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/DriverGate.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/BuildConfig.h"

namespace rz::commands {

namespace {

// Position (from 1) of `what` in `text`; 0 when absent.
std::size_t Position(const std::string& text, const char* what) {
  const auto pos = text.find(what);
  return pos == std::string::npos ? 0 : pos + 1;
}

// `count` characters from position `from` (counted from 1) as a hexadecimal number.
std::optional<std::uint16_t> HexAt(const std::string& text, std::size_t from, std::size_t count) {
  if (from < 1 || from > text.size()) return std::nullopt;
  const std::string digits = text.substr(from - 1, count);
  std::uint32_t value = 0;
  for (const char c : digits) {
    int d = 0;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(d);
  }
  return static_cast<std::uint16_t>(value);
}

// Splits "a.b.c" into decimal parts without leading zeros; nullopt when not of that form.
std::optional<std::vector<std::string>> DecimalParts(const std::string& version) {
  std::vector<std::string> parts;
  std::string part;
  bool digits = false;
  for (std::size_t i = 0; i <= version.size(); ++i) {
    if (i == version.size() || version[i] == '.') {
      if (!digits) return std::nullopt;
      parts.push_back(part.empty() ? "0" : part);
      part.clear();
      digits = false;
    } else if (version[i] >= '0' && version[i] <= '9') {
      digits = true;
      if (!part.empty() || version[i] != '0') part += version[i];
    } else {
      return std::nullopt;
    }
  }
  return parts;
}

// Compares two decimal numbers without leading zeros.
int CompareDecimal(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

}  // namespace

void ParseHardwareId(const std::string& name, HardwareId& id) {
  const std::size_t p = Position(name, "VEN_");
  const auto vendor = HexAt(name, p + 4, 4);
  if (!vendor) return;
  id.vendorId = *vendor;
  const auto device = HexAt(name, Position(name, "DEV_") + 4, 4);
  if (!device) return;
  id.deviceId = *device;
  const std::size_t q = Position(name, "SUBSYS_");
  const auto subsystem = HexAt(name, q + 7, 4);
  if (!subsystem) return;
  id.subsystemId = *subsystem;
  const auto subsystemVendor = HexAt(name, q + 11, 4);
  if (!subsystemVendor) return;
  id.subsystemVendorId = *subsystemVendor;
  const auto revision = HexAt(name, Position(name, "REV_") + 4, 2);
  if (!revision) return;
  id.revisionId = *revision;
}

void ReadDisplayDriverVersion(platform::Registry& registry, platform::System& system,
                              std::uint32_t& osVersion, const hw::PciAdapter& adapter0,
                              DriverGateState& state) {
  osVersion = system.GetOSVer();
  const std::string enumKey = kEnumPciKey;
  if (registry.OpenKey(enumKey)) {
    const std::vector<std::string> hardwareIds = registry.GetKeyNames();
    for (const std::string& name : hardwareIds) {
      registry.CloseKey();
      ParseHardwareId(name, state.hardwareId);
      const HardwareId& h = state.hardwareId;
      if (h.subsystemId != adapter0.SubsystemId() ||
          h.subsystemVendorId != adapter0.SubsystemVendorId() ||
          h.deviceId != adapter0.DeviceId() || h.vendorId != adapter0.VendorId())
        continue;
      if (!registry.OpenKeyReadOnly(enumKey + "\\" + name)) continue;
      const std::vector<std::string> instances = registry.GetKeyNames();
      for (const std::string& instance : instances) {
        registry.CloseKey();
        if (!registry.OpenKeyReadOnly(enumKey + "\\" + name + "\\" + instance)) continue;
        if (!registry.ValueExists("Driver")) continue;
        const std::string driver = registry.ReadString("Driver");
        registry.CloseKey();
        if (registry.OpenKeyReadOnly(std::string(kControlClassKey) + "\\" + driver))
          state.driverVersion = registry.ReadString("DriverVersion");
      }
    }
  }
  registry.CloseKey();
}

bool IsDriverGatedModel(const hw::PciAdapter& adapter0) {
  return adapter0.ids == kGatedIds && adapter0.SubsystemVendorId() == kMakerSubsystemVendorId &&
         (adapter0.SubsystemId() == kGatedSubsystemIdFirst ||
          adapter0.SubsystemId() == kGatedSubsystemIdSecond);
}

bool DriverVersionBefore(const std::string& version, const std::string& minimum) {
  const auto have = DecimalParts(version);
  const auto need = DecimalParts(minimum);
  if (!have || !need) return true;
  const std::size_t n = std::max(have->size(), need->size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::string a = i < have->size() ? (*have)[i] : "0";
    const std::string b = i < need->size() ? (*need)[i] : "0";
    if (const int c = CompareDecimal(a, b); c != 0) return c < 0;
  }
  return false;
}

bool PassDriverGate(platform::Registry& registry, platform::System& system,
                    std::uint32_t& osVersion, const hw::PciAdapter& adapter0,
                    DriverGateState& state, ui::Ui& ui) {
  if (!IsDriverGatedModel(adapter0)) return true;
  ReadDisplayDriverVersion(registry, system, osVersion, adapter0, state);
  if (!DriverVersionBefore(state.driverVersion, kMinDriverVersion)) return true;
  ui.ShowMessage(kDriverTooOldText);
  return false;
}

}  // namespace rz::commands
