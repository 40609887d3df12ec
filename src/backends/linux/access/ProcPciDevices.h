// SPDX-License-Identifier: GPL-3.0-or-later
// The kernel's list of PCI devices in /proc/bus/pci/devices: one line a device with its six BARs'
// bases (type bits in the low nibble) and sizes. The raw access method reads it to keep every map
// inside one BAR, without sysfs.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "backends/linux/access/SysfsPciAttributes.h"

namespace rz::platform {

// Every device's BARs 0-5 that have a size, in the form of the sysfs `resource` attribute (flags
// 0x200 for memory, 0x100 for I/O). A line without the fourteen address and size fields is
// skipped.
std::vector<PciBar> ParseProcPciDevices(const std::string& text);

// The whole file at `path`; nullopt with the reason in `why` when it cannot be read.
std::optional<std::string> ReadProcFile(const std::string& path, std::string& why);

}  // namespace rz::platform
