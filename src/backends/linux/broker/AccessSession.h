// SPDX-License-Identifier: GPL-3.0-or-later
// The program's side of the access helper: an ordinary user's program starts it through pkexec
// once per run, at the first moment that needs privilege (the single-instance lock), which is
// the run's one password prompt; it then asks it for the lock, the PCI files and the vendor
// tool's runs, and closing the session (the program's end, or its death) ends the helper. Until
// the helper's greeting there is no time limit (someone is typing a password); after it every
// answer must come within the limit, except the end of a vendor tool's run.
#pragma once
#include <sys/types.h>

#include <optional>
#include <string>

#include "backends/linux/access/SysfsFiles.h"
#include "backends/linux/broker/AccessMessages.h"
#include "backends/linux/broker/AccessProtocol.h"
#include "backends/linux/process/ToolCommands.h"
#include "platform/ToolLauncher.h"

namespace rz::platform {

// Whether this process runs with root's effective user id.
bool RunningAsRoot();

struct AccessOptions {
  bool asRoot = RunningAsRoot();  // root needs no helper
  std::string pkexec = kPkexecPath;
  std::string broker = kAccessBrokerPath;
  std::string sysfsRoot = kSysfsRoot;  // where attributes are read
  int protocolVersion = kAccessProtocolVersion;
  int replyLimitMs = kAccessReplyLimitMs;
};

enum class AccessFailure {
  None,
  PkexecMissing,     // pkexec is not installed (or cannot be run)
  BrokerMissing,     // the helper is not installed where the polkit action names it
  Refused,           // authentication refused or dismissed (pkexec exit 126)
  NotAuthorised,     // not authorised, or no polkit agent to ask (pkexec exit 127)
  ProtocolMismatch,  // the installed helper speaks another protocol version
  NothingSent,       // the helper ended, or said something else than was asked
  NoAnswer,          // the helper did not answer within the time limit
};

class AccessSession {
 public:
  explicit AccessSession(AccessOptions options = {});
  // A session with a helper that was started, and has greeted, by other means (tests serve one
  // on a socket pair): `socket` is the program's end, `helper` the helper's process (-1: none).
  AccessSession(AccessOptions options, UniqueFd socket, pid_t helper);
  // Closes the socket (the helper then ends) and waits a short while for the helper's end.
  ~AccessSession();
  AccessSession(const AccessSession&) = delete;
  AccessSession& operator=(const AccessSession&) = delete;

  const AccessOptions& Options() const { return options_; }

  // Starts the helper once; true while it serves. A failed start is not tried again (one password
  // prompt per run): Failure() and Reason() keep saying why.
  bool Start();
  AccessFailure Failure() const { return failure_; }
  // Empty while there is no failure; else one or two lines for the terminal.
  const std::string& Reason() const { return reason_; }

  // The descriptor of the machine's single-instance lock file; invalid when the helper refused
  // it (`refusal` then says why) or the session failed.
  UniqueFd OpenRunLock(std::string& refusal);
  // Sends a request and returns the answer (within the time limit); a message that did not come
  // breaks the session.
  AccessMessage Ask(const std::string& request, const std::vector<int>& fds = {});
  // The next message without asking, within the time limit (negative `limitMs`: none).
  AccessMessage Next(int limitMs);
  // Runs the vendor tool with `request` in the folder of `folderFd` and waits for its end, telling
  // `watch` once per interval meanwhile.
  LaunchResult RunTool(const ToolRequest& request, int folderFd, const WaitWatch& watch = {});

  // Ends the session after a broken exchange, with `failure` and `reason`.
  void Break(AccessFailure failure, const std::string& reason);

 private:
  void Fail(AccessFailure failure, std::string reason);
  void WaitForHelper(int limitMs);
  AccessMessage Checked(AccessMessage m);

  AccessOptions options_;
  bool tried_ = false;
  AccessFailure failure_ = AccessFailure::None;
  std::string reason_;
  UniqueFd socket_;
  pid_t helper_ = -1;
};

}  // namespace rz::platform
