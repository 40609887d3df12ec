// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Session.h"

#include <utility>

#include "app/ExitCodes.h"

namespace rz::app {

Session::Session(platform::Platform& platform, ui::Ui& ui, ui::Transcript& transcript,
                 std::function<bool(app::Program&)> detect)
    : recorded_(platform, transcript),
      recordedUi_(ui, transcript),
      program_(recorded_.Seams(), recordedUi_) {
  program_.detect = std::move(detect);
}

Session::~Session() { End(kExitOk); }

bool Session::InterruptHeld() { return platform::InterruptHeld(program_.Seams().interrupts); }

int Session::End(int status) {
  if (!ended_) {
    ended_ = true;
    program_.FormDestroy();
  }
  return InterruptHeld() ? kExitInterrupted : status;
}

}  // namespace rz::app
