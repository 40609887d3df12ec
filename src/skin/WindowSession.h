// SPDX-License-Identifier: GPL-3.0-or-later
// The program behind a skinned window, the same for every toolkit: the platform's seams with a
// tool launcher that keeps the window painting, the program over those seams and the window's
// Ui, one transcript of what the person sees and answers, and the window's two commands, after
// which a request to stop that was held while the card was written ends the program.
#pragma once
#include <functional>
#include <memory>

#include "app/Program.h"
#include "app/Session.h"
#include "platform/Platform.h"
#include "skin/PaintingToolLauncher.h"
#include "ui/Transcript.h"
#include "ui/Ui.h"

namespace rz::skin {

// What the program supplies to the window; null parts do nothing.
struct WindowCommands {
  std::function<bool(app::Program&)> detect;  // card detection, run by FormCreate
  std::function<void(app::Program&)> save;    // btSaveClick
  std::function<void(app::Program&)> flash;   // btFlashClick
  // Why the hardware could not be opened (the host platform's account), shown after the driver
  // failure's message.
  std::function<std::string()> accessProblem;
};

// Card detection and the save and flash commands of the program.
WindowCommands ProgramCommands();

class WindowSession {
 public:
  // `windowUi` renders into the toolkit's windows; `makePump` gives the toolkit's painting loop;
  // `endEventLoop(code)` ends the toolkit's event loop with an exit code. All outlive the session.
  WindowSession(platform::Platform& platform, ui::Ui& windowUi, const WindowCommands& commands,
                PaintingToolLauncher::MakePump makePump, std::function<void(int)> endEventLoop);
  ~WindowSession();  // FormDestroy
  WindowSession(const WindowSession&) = delete;
  WindowSession& operator=(const WindowSession&) = delete;

  // FormCreate.
  app::StartResult Start() { return session_->Start(); }
  // The window's commands (btSaveClick, btFlashClick).
  void Save() { Run(commands_.save); }
  void Flash() { Run(commands_.flash); }

  app::Program& Program() { return session_->Program(); }
  // The Ui the program works with: the window's, with the transcript written.
  ui::Ui& RecordedUi() { return session_->RecordedUi(); }
  ui::Transcript& Transcript() { return transcript_; }

 private:
  void Run(const std::function<void(app::Program&)>& command);

  WindowCommands commands_;
  std::function<void(int)> endEventLoop_;
  ui::Transcript transcript_;
  std::unique_ptr<PaintingToolLauncher> launcher_;
  std::unique_ptr<platform::Platform> windowSeams_;  // the platform with that launcher
  std::unique_ptr<app::Session> session_;
};

}  // namespace rz::skin
