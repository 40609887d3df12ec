// SPDX-License-Identifier: GPL-3.0-or-later
// The sysfs PCI files opened by this process itself, under a root folder (the real /sys, or a
// folder laid out like it in tests). Descriptors are opened on first use and kept until the
// object goes.
#pragma once
#include <map>
#include <tuple>

#include "backends/linux/access/SysfsFiles.h"

namespace rz::platform {

class DirectSysfsFiles final : public SysfsFiles {
 public:
  explicit DirectSysfsFiles(std::string root = kSysfsRoot);
  ~DirectSysfsFiles() override;
  DirectSysfsFiles(const DirectSysfsFiles&) = delete;
  DirectSysfsFiles& operator=(const DirectSysfsFiles&) = delete;

  std::vector<std::string> Devices() const override;
  int Descriptor(const std::string& device, const std::string& file, bool writable) override;
  std::optional<std::string> Attribute(const std::string& device,
                                       const std::string& file) const override;

  // <root>/bus/pci/devices
  std::string DevicesFolder() const { return root_ + "/bus/pci/devices"; }

 private:
  std::string root_;
  std::map<std::tuple<std::string, std::string, bool>, int> open_;  // (device, file, writable)
};

}  // namespace rz::platform
