// SPDX-License-Identifier: GPL-3.0-or-later
// The program entry of the windowed front end, over whichever platform seams the executable
// chose: application title, main window with its start-up, the two dialog instances, the event
// loop, the exception display and the teardown.
#pragma once
#include <functional>
#include <memory>

#include "app/Program.h"
#include "app/Session.h"
#include "gui/GuiApplication.h"
#include "platform/Platform.h"
#include "skin/WindowSession.h"
#include "ui/Transcript.h"

namespace rz::gui {

class TForm1;
class TFormMsg;
class TFormYesNo;
class QtUi;

// What the program supplies to the window; null parts do nothing.
using GuiCommands = skin::WindowCommands;
using skin::ProgramCommands;

// The main window with its Ui and its program, wired together; what the person sees and answers
// and the platform's user-visible events (help file, vendor tool, restart, standard output) go
// into one transcript: the part of the entry that tests run without an event loop. Destroying it
// runs FormDestroy.
class GuiSession {
 public:
  GuiSession(platform::Platform& platform, const GuiCommands& commands);
  ~GuiSession();
  GuiSession(const GuiSession&) = delete;
  GuiSession& operator=(const GuiSession&) = delete;

  // FormCreate; after a start that leaves the window open, the two dialog instances that are
  // created and never shown.
  app::StartResult Start();

  TForm1& Form() { return *form_; }
  QtUi& Ui() { return *ui_; }
  // The Ui the program works with: the windows, with the transcript written.
  ui::Ui& RecordedUi() { return session_->RecordedUi(); }
  ui::Transcript& Transcript() { return session_->Transcript(); }
  app::Program& Program() { return session_->Program(); }

 private:
  std::unique_ptr<TForm1> form_;
  std::unique_ptr<QtUi> ui_;
  std::unique_ptr<skin::WindowSession> session_;  // the program over the windows' Ui
  std::unique_ptr<TFormMsg> formMsg_;
  std::unique_ptr<TFormYesNo> formYesNo_;
};

// Called after start-up, before the event loop, with the windows as they are (used by the demo).
using AfterStartHook = std::function<void(app::StartResult, TForm1&, QtUi&, app::Program&)>;

// Runs the program on an existing application object; returns the exit code (app::kExitOk, or
// app::kExitInterrupted).
int RunGui(GuiApplication& application, platform::Platform& platform, const GuiCommands& commands,
           const AfterStartHook& afterStart = nullptr);

}  // namespace rz::gui
