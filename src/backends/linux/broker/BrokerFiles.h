// SPDX-License-Identifier: GPL-3.0-or-later
// The PCI files the access helper opens for the program under the sysfs root: every device's
// `config` read-only; the `config` and the memory-BAR `resourceN` files read-write for display
// devices (class 0x03xxxx) of vendor 0x10DE or 0x1002.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "backends/linux/process/UniqueFd.h"

namespace rz::platform {

struct BrokerFile {
  std::string device;  // "DDDD:BB:DD.F"
  std::string file;    // "config", "resource0" ...
  bool writable = false;
  UniqueFd fd;
};

// Opens them under <sysfsRoot>/bus/pci/devices, devices in name order; a file that cannot be
// opened is left out (a read-only `config` stands in for a refused read-write one).
std::vector<BrokerFile> OpenBrokerFiles(const std::string& sysfsRoot);

// True for a PCI device name "DDDD:BB:DD.F" (domain of 4 to 8 hex digits, lower case).
bool IsPciDeviceName(std::string_view name);

}  // namespace rz::platform
