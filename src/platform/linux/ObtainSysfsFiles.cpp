#include "platform/linux/ObtainSysfsFiles.h"

#include <sys/socket.h>
#include <unistd.h>

#include "platform/linux/HandedSysfsFiles.h"
#include "platform/linux/Subprocess.h"
#include "platform/linux/UniqueFd.h"

namespace rz::platform {
namespace {

constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorised = 127;

ObtainedSysfsFiles Failed(AccessFailure failure, std::string reason) {
  ObtainedSysfsFiles r;
  r.failure = failure;
  r.reason = std::move(reason);
  return r;
}

// Waits for the child when the attempt ends, whichever way it ends.
class Child {
 public:
  explicit Child(pid_t pid) : pid_(pid) {}
  ~Child() { Wait(); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  int Wait() {
    if (pid_ > 0) status_ = WaitForExit(pid_);
    pid_ = -1;
    return status_;
  }

 private:
  pid_t pid_;
  int status_ = -1;
};

}  // namespace

bool RunningAsRoot() { return ::geteuid() == 0; }

ObtainedSysfsFiles ObtainSysfsFiles(const AccessOptions& o) {
  if (o.asRoot) return {};
  if (::access(o.pkexec.c_str(), X_OK) != 0)
    return Failed(AccessFailure::PkexecMissing,
                  o.pkexec + " was not found: install pkexec (package pkexec) to use the graphics "
                             "card as an ordinary user, or run the program as root");
  if (::access(o.broker.c_str(), X_OK) != 0)
    return Failed(AccessFailure::BrokerMissing,
                  "the access helper " + o.broker + " is not installed: reinstall the package");

  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
    return Failed(AccessFailure::NothingSent, "no socket for the access helper could be made");
  UniqueFd ours(pair[0]), theirs(pair[1]);
  const pid_t pid = SpawnWithStdio(o.pkexec, {o.broker, std::to_string(o.protocolVersion)}, theirs.Get());
  if (pid < 0)
    return Failed(AccessFailure::PkexecMissing, o.pkexec + " could not be started");
  Child child(pid);
  theirs.Reset();  // the stream ends when the child's copy goes
  ReceivedSysfsFiles received = ReceiveSysfsFiles(ours.Get());
  const int status = child.Wait();

  using Outcome = ReceivedSysfsFiles::Outcome;
  if (received.outcome == Outcome::Received) {
    ObtainedSysfsFiles r;
    r.files = std::make_unique<HandedSysfsFiles>(std::move(received.files), o.sysfsRoot);
    return r;
  }
  if (received.outcome == Outcome::Mismatch)
    return Failed(AccessFailure::ProtocolMismatch,
                  "the access helper " + o.broker + " speaks protocol version " +
                      received.brokerVersion + ", this program " +
                      std::to_string(o.protocolVersion) +
                      ": the program and its helper come from different versions; reinstall "
                      "the package");
  if (status == kPkexecDismissed)
    return Failed(AccessFailure::Refused,
                  "authentication was refused or dismissed: the graphics card can only be read "
                  "and programmed after authenticating as an administrator");
  if (status == kPkexecNotAuthorised)
    return Failed(AccessFailure::NotAuthorised,
                  "not authorised to reach the graphics card, or no polkit authentication agent "
                  "is running to ask for a password: start the program from a desktop session, "
                  "or run it as root");
  return Failed(AccessFailure::NothingSent,
                "the access helper " + o.broker + " sent no device files (exit status " +
                    std::to_string(status) + ")");
}

}  // namespace rz::platform
