// SPDX-License-Identifier: GPL-3.0-or-later
// Getting hold of the sysfs PCI files for the access method: as root the method opens them
// itself; an ordinary user's program asks the run's access helper, which hands over the
// descriptors it opened. Failures come with a reason the user can act on.
#pragma once
#include <memory>
#include <string>

#include "backends/linux/access/SysfsFiles.h"
#include "backends/linux/broker/AccessSession.h"

namespace rz::platform {

struct ObtainedSysfsFiles {
  AccessFailure failure = AccessFailure::None;
  // The helper's table; null with no failure when running as root (the method opens the files
  // itself under the sysfs root).
  std::unique_ptr<SysfsFiles> files;
  std::string reason;  // empty when there is no failure; else one or two lines for the terminal
};

// Starts the session's helper when it has not run yet (a helper that could not be started is not
// tried again) and asks it for the files.
ObtainedSysfsFiles ObtainSysfsFiles(AccessSession& session);

}  // namespace rz::platform
