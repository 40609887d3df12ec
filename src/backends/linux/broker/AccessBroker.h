// SPDX-License-Identifier: GPL-3.0-or-later
// The work of the access helper (rzflash-access), which pkexec runs as root for the whole run of
// an ordinary user's program: it answers the requests of AccessProtocol.h on its socket until the
// program closes its end (the program ended or was killed). Its own small program starts it;
// tests run it in-process on folders laid out like the real ones.
#pragma once
#include <string>
#include <string_view>

#include "backends/linux/access/SysfsFiles.h"
#include "backends/linux/broker/RunLockFile.h"

namespace rz::platform {

// Where the helper finds what it hands out; fixed in the installed helper.
struct BrokerSetup {
  std::string sysfsRoot = kSysfsRoot;  // the PCI files (BrokerFiles.h)
  std::string lockFile = kRunLockPath;  // the machine's single-instance lock (RunLockFile.h)
  std::string tool;                     // the vendor tool's full path; empty: there is none
};

// Serves `socket`. `requestedVersion` is the protocol version the program asked for (text);
// another than ours is answered with the mismatch greeting alone. The vendor tool is started only
// when it and its folder are the helper's own and closed to others, only in a folder that belongs
// to the user at the socket's other end and that no one else may write, with one of the fixed
// command lines (ToolCommands.h), and it is always waited for, also when the program goes
// meanwhile. Returns the helper's exit status.
int ServeAccessBroker(int socket, const BrokerSetup& setup, std::string_view requestedVersion);

}  // namespace rz::platform
