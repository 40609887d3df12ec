// SPDX-License-Identifier: GPL-3.0-or-later
// Interrupt requests on Linux: SIGINT, SIGTERM, SIGHUP and SIGQUIT. While held, a handler that only sets an
// async-signal-safe flag (and writes the notice once, with write(2)) takes their place; after the
// hold their earlier dispositions are back (normally the default action: the program ends). A
// signal the process ignored before the hold stays ignored.
#pragma once
#include <signal.h>

#include <array>
#include <string>

#include "platform/InterruptHold.h"

namespace rz::platform {

class LinuxInterruptHold final : public InterruptHold {
 public:
  // SIGINT, SIGTERM, SIGHUP and SIGQUIT.
  static constexpr std::size_t kHeldSignalCount = 4;

  LinuxInterruptHold() = default;
  ~LinuxInterruptHold() override;  // ends a hold still open
  LinuxInterruptHold(const LinuxInterruptHold&) = delete;
  LinuxInterruptHold& operator=(const LinuxInterruptHold&) = delete;

  // A signal handler reaches no object, so the handler's state is the process's: only one hold
  // may be open in the process at a time (Begin throws std::logic_error otherwise).
  void Begin() override;
  void End() override;
  bool Arrived() const override;
  void SetNotice(const std::string& text) override { notice_ = text + "\n"; }

 private:
  std::string notice_;
  int depth_ = 0;
  bool arrived_ = false;  // held in an earlier hold
  std::array<struct sigaction, kHeldSignalCount> previous_{};
  std::array<bool, kHeldSignalCount> replaced_{};
};

// The signal of an interrupt kind.
int SignalOf(InterruptKind kind);

}  // namespace rz::platform
