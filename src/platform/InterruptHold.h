// SPDX-License-Identifier: GPL-3.0-or-later
// Requests to stop the program from outside (Ctrl-C, Ctrl-\, a termination request, the terminal
// hanging up; on Windows the console control events) held back while the card's chip must not be left
// half-written, and a guard that holds them for a scope.
#pragma once
#include <string>

namespace rz::platform {

// The kinds of request, named after the Linux signals (SIGINT, SIGTERM, SIGHUP, SIGQUIT). Stop
// (SIGSTOP) asks nothing to end and nothing holds it: the system stops the process until it is
// continued (SIGCONT). The emulated machine's hook delivers it so that a test can hold a real
// process still at a known point of its work; where the system has no such thing it does nothing.
enum class InterruptKind { Interrupt, Terminate, HangUp, Quit, Stop };

class InterruptHold {
 public:
  virtual ~InterruptHold() = default;

  // From now on an interrupt request is held: remembered, not acted on. The first one held writes
  // the notice on standard error at once. Begin and End pair up and may nest.
  virtual void Begin() = 0;
  // After the outermost End interrupt requests take their default action again (the program
  // ends); the ones held stay remembered.
  virtual void End() = 0;
  // Whether an interrupt request arrived while held, in this hold or an earlier one.
  virtual bool Arrived() const = 0;
  // The line (without its line feed) written once on standard error when the first request is
  // held; empty: nothing is written. Set it before the first Begin.
  virtual void SetNotice(const std::string& text) = 0;
};

// Whether `hold` (may be null) held an interrupt request: the program then asks nothing more and
// ends once the work it protected is done and reported.
inline bool InterruptHeld(const InterruptHold* hold) { return hold && hold->Arrived(); }

// Holds interrupt requests from its construction until Release() or the end of its scope,
// whichever comes first. Without a hold (null) it does nothing.
class InterruptHoldGuard {
 public:
  explicit InterruptHoldGuard(InterruptHold* hold) : hold_(hold) {
    if (hold_) hold_->Begin();
  }
  ~InterruptHoldGuard() { Release(); }
  InterruptHoldGuard(const InterruptHoldGuard&) = delete;
  InterruptHoldGuard& operator=(const InterruptHoldGuard&) = delete;

  void Release() {
    if (hold_) hold_->End();
    hold_ = nullptr;
  }

 private:
  InterruptHold* hold_;
};

}  // namespace rz::platform
