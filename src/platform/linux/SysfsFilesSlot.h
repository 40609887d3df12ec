// Where the driver bring-up leaves the sysfs files for the access method: the table handed over
// (when set, the device uses it) and the sysfs root the device opens files under otherwise.
#pragma once
#include <memory>
#include <string>

#include "platform/linux/SysfsFiles.h"

namespace rz::platform {

struct SysfsFilesSlot { std::unique_ptr<SysfsFiles> files; std::string root = kSysfsRoot; };

}  // namespace rz::platform
