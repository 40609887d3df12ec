// One way of carrying out the driver's port and map requests on Linux. Methods are small records
// (a name and a detect step) tried in a fixed order at the device's open; the first whose detect
// succeeds serves every request until the device is closed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/RawAccessPaths.h"

namespace rz::platform {

struct SysfsFilesSlot;

// A physical range made visible in this process. The device unmaps it (munmap of base).
struct MappedRange {
  void* base = nullptr;                    // what mmap returned (page-aligned)
  std::size_t mappedBytes = 0;             // length given to mmap
  volatile std::uint8_t* start = nullptr;  // the requested physical address
};

class AccessMethod {
 public:
  virtual ~AccessMethod() = default;
  // One port access of `width` (1, 2 or 4) bytes; false when refused or failed.
  virtual bool PortRead(std::uint16_t port, std::uint16_t width, std::uint32_t& value) = 0;
  virtual bool PortWrite(std::uint16_t port, std::uint16_t width, std::uint32_t value) = 0;
  // Maps `length` (> 0) bytes of physical memory read-write; nullopt when refused or failed.
  virtual std::optional<MappedRange> Map(std::uint32_t physical, std::uint32_t length) = 0;
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

// Maps `length` bytes of `fd` from `offset` on, read-write and shared, the mapping widened to
// whole pages; nullopt when mmap fails.
std::optional<MappedRange> MapFileRange(int fd, std::uint64_t offset, std::uint32_t length);

// The methods of this system in the order they are tried: "sysfs", then "raw".
std::vector<AccessMethodRecord> LinuxAccessMethods();
AccessMethodRecord SysfsAccessRecord();
AccessMethodRecord RawAccessRecord();

}  // namespace rz::platform
