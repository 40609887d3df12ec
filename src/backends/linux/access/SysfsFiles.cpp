// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/access/SysfsFiles.h"

#include "backends/linux/access/MapFileRange.h"

namespace rz::platform {

std::unique_ptr<MappedMemory> SysfsFiles::MapResource(const std::string& device, int bar,
                                                      std::uint64_t offset, std::uint32_t length) {
  const int fd = Descriptor(device, "resource" + std::to_string(bar), true);
  if (fd < 0) return nullptr;
  return MapFileRange(fd, offset, length);
}

}  // namespace rz::platform
