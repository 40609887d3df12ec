#include "platform/linux/AccessMethod.h"

#include "platform/linux/RawAccessMethod.h"
#include "platform/linux/SysfsAccessMethod.h"

namespace rz::platform {

AccessMethodRecord SysfsAccessRecord() { return {"sysfs", &SysfsAccessMethod::Detect}; }
AccessMethodRecord RawAccessRecord() { return {"raw", &RawAccessMethod::Detect}; }

std::vector<AccessMethodRecord> LinuxAccessMethods() {
  return {SysfsAccessRecord(), RawAccessRecord()};
}

}  // namespace rz::platform
