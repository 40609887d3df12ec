// SPDX-License-Identifier: GPL-3.0-or-later
// One way of carrying out the driver's port and map requests on Linux. Methods are small records
// (a name and a detect step) tried in a fixed order at the device's open; the first whose detect
// succeeds serves every request until the device is closed.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backends/linux/access/RawAccessPaths.h"
#include "platform/driver/MappedMemory.h"

namespace rz::platform {

struct SysfsFilesSlot;

class AccessMethod {
 public:
  virtual ~AccessMethod() = default;
  // One port access of `width` (1, 2 or 4) bytes; false when refused or failed.
  virtual bool PortRead(std::uint16_t port, std::uint16_t width, std::uint32_t& value) = 0;
  virtual bool PortWrite(std::uint16_t port, std::uint16_t width, std::uint32_t value) = 0;
  // Maps physical memory read-write from `physical` on: `length` (> 0) bytes, or the part of them
  // that the BAR holding `physical` holds (never memory beyond that BAR). Null when refused or
  // failed, with the reason in `why`.
  virtual std::unique_ptr<MappedMemory> Map(std::uint32_t physical, std::uint32_t length,
                                            std::string& why) = 0;
};

// What the methods are detected on.
struct AccessSources {
  SysfsFilesSlot* sysfs = nullptr;  // null: no sysfs files for this device
  LinuxDriverPaths raw;
};

struct AccessMethodRecord {
  const char* name;
  // The method ready for requests, or null with the reason it cannot work here in `why`.
  std::unique_ptr<AccessMethod> (*detect)(const AccessSources& sources, std::string& why);
};

// A method that was tried and did not work, for telling the user.
struct AccessAttempt {
  std::string method;
  std::string why;
};

// The methods of this system in the order they are tried: "sysfs", then "raw".
std::vector<AccessMethodRecord> LinuxAccessMethods();
AccessMethodRecord SysfsAccessRecord();
AccessMethodRecord RawAccessRecord();

}  // namespace rz::platform
