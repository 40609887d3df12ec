#include "platform/linux/AccessMethod.h"

#include <sys/mman.h>
#include <unistd.h>

#include "platform/linux/RawAccessMethod.h"
#include "platform/linux/SysfsAccessMethod.h"

namespace rz::platform {

std::optional<MappedRange> MapFileRange(int fd, std::uint64_t offset, std::uint32_t length) {
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  const std::uint64_t page = pageSize > 0 ? static_cast<std::uint64_t>(pageSize) : 4096;
  const std::uint64_t aligned = offset & ~(page - 1);
  const std::size_t lead = static_cast<std::size_t>(offset - aligned);
  const std::size_t bytes = static_cast<std::size_t>((lead + length + page - 1) & ~(page - 1));
  void* base = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd,
                      static_cast<off_t>(aligned));
  if (base == MAP_FAILED) return std::nullopt;
  return MappedRange{base, bytes, static_cast<volatile std::uint8_t*>(base) + lead};
}

AccessMethodRecord SysfsAccessRecord() { return {"sysfs", &SysfsAccessMethod::Detect}; }
AccessMethodRecord RawAccessRecord() { return {"raw", &RawAccessMethod::Detect}; }

std::vector<AccessMethodRecord> LinuxAccessMethods() {
  return {SysfsAccessRecord(), RawAccessRecord()};
}

}  // namespace rz::platform
