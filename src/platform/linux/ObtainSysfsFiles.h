// Getting hold of the sysfs PCI files for the access method: as root the method opens them
// itself; an ordinary user's program starts the access broker through pkexec and receives the
// descriptors it opened. Failures come with a reason the user can act on.
#pragma once
#include <memory>
#include <string>

#include "platform/linux/AccessProtocol.h"
#include "platform/linux/SysfsFiles.h"

namespace rz::platform {

// Whether this process runs with root's effective user id.
bool RunningAsRoot();

struct AccessOptions {
  bool asRoot = RunningAsRoot();
  std::string pkexec = kPkexecPath;
  std::string broker = kAccessBrokerPath;
  std::string sysfsRoot = kSysfsRoot;  // where attributes are read
  int protocolVersion = kAccessProtocolVersion;
};

enum class AccessFailure {
  None,
  PkexecMissing,     // pkexec is not installed (or cannot be run)
  BrokerMissing,     // the broker is not installed where the polkit action names it
  Refused,           // authentication refused or dismissed (pkexec exit 126)
  NotAuthorised,     // not authorised, or no polkit agent to ask (pkexec exit 127)
  ProtocolMismatch,  // the installed broker speaks another protocol version
  NothingSent,       // the broker ended without sending the files
};

struct ObtainedSysfsFiles {
  AccessFailure failure = AccessFailure::None;
  // The broker's table; null with no failure when running as root (the method opens the files
  // itself under the sysfs root).
  std::unique_ptr<SysfsFiles> files;
  std::string reason;  // empty when there is no failure; else one or two lines for the terminal
};

ObtainedSysfsFiles ObtainSysfsFiles(const AccessOptions& options = {});

}  // namespace rz::platform
