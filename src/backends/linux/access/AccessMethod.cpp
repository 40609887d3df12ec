// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/access/AccessMethod.h"

#include "backends/linux/access/RawAccessMethod.h"
#include "backends/linux/access/SysfsAccessMethod.h"

namespace rz::platform {

AccessMethodRecord SysfsAccessRecord() { return {"sysfs", &SysfsAccessMethod::Detect}; }
AccessMethodRecord RawAccessRecord() { return {"raw", &RawAccessMethod::Detect}; }

std::vector<AccessMethodRecord> LinuxAccessMethods() {
  return {SysfsAccessRecord(), RawAccessRecord()};
}

}  // namespace rz::platform
