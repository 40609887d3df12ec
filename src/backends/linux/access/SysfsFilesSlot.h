// SPDX-License-Identifier: GPL-3.0-or-later
// Where the sysfs access method gets its files at the device's open: the table the service calls
// filled (descriptors opened directly as root, or handed over by the access broker), else files
// opened directly under `root`. The platform owns it; its owner closes the descriptors.
#pragma once
#include <memory>
#include <string>

#include "backends/linux/access/SysfsFiles.h"

namespace rz::platform {

struct SysfsFilesSlot {
  std::unique_ptr<SysfsFiles> files;
  std::string root = kSysfsRoot;
};

}  // namespace rz::platform
