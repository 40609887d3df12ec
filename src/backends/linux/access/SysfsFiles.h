// SPDX-License-Identifier: GPL-3.0-or-later
// The sysfs PCI files the Linux access method works with. As root (or on a test tree) they are
// opened by this process; as an ordinary user the access broker opens them and hands the
// descriptors over. Either way the method sees the same table.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/driver/MappedMemory.h"

namespace rz::platform {

// Where a PCI device's files lie: <root>/bus/pci/devices/<name>/ with name "DDDD:BB:DD.F".
inline constexpr const char* kSysfsRoot = "/sys";

class SysfsFiles {
 public:
  virtual ~SysfsFiles() = default;

  // The PCI devices, by name ("0000:01:00.0"), in ascending order.
  virtual std::vector<std::string> Devices() const = 0;

  // An open descriptor for <device>/<file> ("config", "resource0" .. "resource5"), read-write when
  // `writable`, else at least readable; -1 when it is not available that way. The descriptor stays
  // owned by this object (closed when it goes).
  virtual int Descriptor(const std::string& device, const std::string& file, bool writable) = 0;

  // A world-readable text attribute of a device ("resource", "class", "vendor", "device");
  // nullopt when it cannot be read.
  virtual std::optional<std::string> Attribute(const std::string& device,
                                               const std::string& file) const = 0;

  // `length` bytes of the device's BAR `bar` from `offset` on, read-write; null when they cannot be
  // mapped. The default maps the read-write descriptor of <device>/resource<bar>.
  virtual std::unique_ptr<MappedMemory> MapResource(const std::string& device, int bar,
                                                    std::uint64_t offset, std::uint32_t length);
};

}  // namespace rz::platform
