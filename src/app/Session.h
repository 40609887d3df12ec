// SPDX-License-Identifier: GPL-3.0-or-later
// One run of the program, the same for every front end: the platform and the Ui both write one
// transcript, the program starts (FormCreate) with the detection it is given, runs the front end's
// commands, and ends (FormDestroy) with the exit status its run earned.
#pragma once
#include <functional>

#include "app/Program.h"
#include "app/RecordingSeams.h"
#include "platform/Platform.h"
#include "ui/RecordingUi.h"
#include "ui/Transcript.h"
#include "ui/Ui.h"

namespace rz::app {

class Session {
 public:
  // `platform`, `ui` and `transcript` outlive the session.
  Session(platform::Platform& platform, ui::Ui& ui, ui::Transcript& transcript,
          std::function<bool(Program&)> detect);
  ~Session();  // ends the program when End has not
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // FormCreate.
  StartResult Start() { return program_.FormCreate(); }

  // Whether a request to stop was held while the card was written: the run ends with
  // kExitInterrupted once the command that wrote it is done.
  bool InterruptHeld();

  // FormDestroy (once); returns `status`, or kExitInterrupted after a held request to stop.
  int End(int status);

  app::Program& Program() { return program_; }
  // The Ui the program works with: the front end's, with the transcript written.
  ui::Ui& RecordedUi() { return recordedUi_; }

 private:
  RecordingPlatform recorded_;
  ui::RecordingUi recordedUi_;
  app::Program program_;
  bool ended_ = false;
};

}  // namespace rz::app
