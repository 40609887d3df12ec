// SPDX-License-Identifier: GPL-3.0-or-later
// One message of the access helper's socket, with the descriptors it carries: sending, and
// receiving within a time limit. Shared by the helper and the program.
#pragma once
#include <string>
#include <vector>

#include "backends/linux/process/UniqueFd.h"

namespace rz::platform {

struct AccessMessage {
  enum class Status { Received, Ended, TimedOut, Failed };
  Status status = Status::Failed;  // Ended: the other side closed its end
  std::string text;
  std::vector<UniqueFd> fds;  // owned here whatever else was wrong with the message

  bool Ok() const { return status == Status::Received; }
  // The words of the text (split on blanks and line ends).
  std::vector<std::string> Words() const;
};

// Sends `text` with `fds` (SCM_RIGHTS) as one message; false when it was not sent whole. Never
// raises SIGPIPE.
bool SendAccessMessage(int socket, const std::string& text, const std::vector<int>& fds = {});

// Receives one message, waiting at most `limitMs` milliseconds (negative: without a limit).
// Received descriptors are close-on-exec. A message cut short (text or descriptors beyond the
// room kept for them) is Failed.
AccessMessage ReceiveAccessMessage(int socket, int limitMs);

}  // namespace rz::platform
