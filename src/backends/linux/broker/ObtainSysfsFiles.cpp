// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/broker/ObtainSysfsFiles.h"

#include "backends/linux/broker/HandedSysfsFiles.h"

namespace rz::platform {
namespace {

ObtainedSysfsFiles Failed(AccessFailure failure, std::string reason) {
  ObtainedSysfsFiles r;
  r.failure = failure;
  r.reason = std::move(reason);
  return r;
}

}  // namespace

ObtainedSysfsFiles ObtainSysfsFiles(AccessSession& session) {
  const AccessOptions& o = session.Options();
  if (o.asRoot) return {};
  if (!session.Start()) return Failed(session.Failure(), session.Reason());
  ReceivedSysfsFiles received =
      ReceiveSysfsFiles(session.Ask(std::string(kAccessFilesRequest) + "\n"),
                        [&session, &o] { return session.Next(o.replyLimitMs); });
  if (received.outcome == ReceivedSysfsFiles::Outcome::Received) {
    ObtainedSysfsFiles r;
    r.files = std::make_unique<HandedSysfsFiles>(std::move(received.files), o.sysfsRoot);
    return r;
  }
  if (received.outcome == ReceivedSysfsFiles::Outcome::Malformed)
    session.Break(AccessFailure::NothingSent,
                  "the access helper " + o.broker + " sent the device files in a form this "
                                                    "program does not read");
  return Failed(session.Failure() == AccessFailure::None ? AccessFailure::NothingSent
                                                         : session.Failure(),
                session.Reason().empty() ? "the access helper " + o.broker + " sent no device files"
                                         : session.Reason());
}

}  // namespace rz::platform
