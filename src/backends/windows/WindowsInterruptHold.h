// SPDX-License-Identifier: GPL-3.0-or-later
// Interrupt requests on Windows: the console control events (Ctrl-C, Ctrl-Break, the console
// window closed, log-off, shut-down). While held, a handler routine answers them TRUE (handled)
// after setting a flag and writing the notice once; after the hold it is removed and the default
// (the program ends) applies again. The system ends a process after a close, log-off or shut-down
// event whatever the answer, so for those the handler waits until the hold ends (as long as the
// system lets it) before answering.
#pragma once
#include <string>

#include "host/windows/OwnedHandles.h"
#include "platform/InterruptHold.h"

namespace rz::platform {

class WindowsInterruptHold final : public InterruptHold {
 public:
  WindowsInterruptHold();
  ~WindowsInterruptHold() override;  // ends a hold still open
  WindowsInterruptHold(const WindowsInterruptHold&) = delete;
  WindowsInterruptHold& operator=(const WindowsInterruptHold&) = delete;

  // The handler routine's state is the process's: only one hold may be open in the process at a
  // time (Begin throws std::logic_error otherwise).
  void Begin() override;
  void End() override;
  bool Arrived() const override;
  void SetNotice(const std::string& text) override { notice_ = text + "\n"; }

 private:
  std::string notice_;
  int depth_ = 0;
  bool arrived_ = false;  // held in an earlier hold
  win::Owned<win::KernelObject> released_;  // set when the hold ends; waiting handlers go on
};

}  // namespace rz::platform
