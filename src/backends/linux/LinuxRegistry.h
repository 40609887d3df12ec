// SPDX-License-Identifier: GPL-3.0-or-later
// The registry walk of the display-driver check served from sysfs: display adapters as Enum\PCI
// hardware-id keys, and the version of the kernel module bound to each as its "DriverVersion".
#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace rz::platform {

// Each display adapter under <root>/bus/pci/devices is a hardware-id key with one instance (its
// PCI address) whose "Driver" names a Class key; that key's "DriverVersion" is
// <root>/module/NAME/version of the module bound to the adapter, absent when unknown.
class LinuxRegistry final : public Registry {
 public:
  // `sysfsRoot` is "/sys" on a running system; tests give a fake tree.
  explicit LinuxRegistry(std::string sysfsRoot = "/sys") : root_(std::move(sysfsRoot)) {}

  // Opening the Enum\PCI key reads sysfs afresh; keys are matched whatever their letter case.
  bool OpenKey(const std::string& path) override;
  bool OpenKeyReadOnly(const std::string& path) override { return OpenKey(path); }
  std::vector<std::string> GetKeyNames() override;
  bool ValueExists(const std::string& name) override;
  std::string ReadString(const std::string& name) override;
  void CloseKey() override { open_.clear(); }

 private:
  struct Key {
    std::vector<std::string> children;
    std::map<std::string, std::string> values;
  };
  void Scan();
  void Add(const std::string& path, const std::string& valueName = "",
           const std::string& value = "");

  std::string root_;
  bool scanned_ = false;
  std::map<std::string, Key> keys_;  // by upper-case full path
  std::string open_;
};

}  // namespace rz::platform
