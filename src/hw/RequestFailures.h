// SPDX-License-Identifier: GPL-3.0-or-later
// Bookkeeping of failed driver requests: a count over the whole run, which an operation compares
// before and after to see whether a request of its own failed, and, within one command, which
// failure messages were shown already and how often each came again.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace rz::hw {

class RequestFailures {
 public:
  struct Repeat {
    std::string caption;
    std::string text;
    std::uint64_t times = 0;  // occurrences after the one that was shown
  };

  // Counts one failure with its message; true when the message is to be shown: the first time in
  // the current command, and every time outside a command.
  bool Note(const std::string& caption, const std::string& text);
  // Failures counted since the program started.
  std::uint64_t Count() const { return count_; }

  // Starts a command's reporting: every message may be shown once again. False, changing nothing,
  // while a command is already being reported: a command inside another is part of it.
  bool BeginCommand();
  // Ends the command's reporting; returns the messages that came again, in order of first
  // appearance, and nothing when there was no command.
  std::vector<Repeat> EndCommand();

 private:
  std::uint64_t count_ = 0;
  bool inCommand_ = false;
  std::vector<Repeat> shown_;  // the command's shown messages with their repeat counts
};

}  // namespace rz::hw
