// SPDX-License-Identifier: GPL-3.0-or-later
// The program entry of the native windowed front end, over whichever platform seams the
// executable chose: the main window with its start-up, the message loop, the exception display
// and the teardown.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/Program.h"
#include "platform/Platform.h"
#include "skin/WindowSession.h"
#include "win32/MainWindow.h"
#include "win32/Win32Ui.h"

namespace rz::win32 {

// The main window with its Ui and its program, wired together: the part of the entry that tests
// run. Destroying it runs FormDestroy.
class Win32Session {
 public:
  Win32Session(platform::Platform& platform, const skin::WindowCommands& commands);
  ~Win32Session();
  Win32Session(const Win32Session&) = delete;
  Win32Session& operator=(const Win32Session&) = delete;

  app::StartResult Start() { return session_->Start(); }

  MainWindow& Form() { return *form_; }
  Win32Ui& Ui() { return *ui_; }
  ui::Ui& RecordedUi() { return session_->RecordedUi(); }
  ui::Transcript& Transcript() { return session_->Transcript(); }
  app::Program& Program() { return session_->Program(); }
  // The text of an exception that ended the message loop; nullopt when none did.
  const std::optional<std::string>& Failure() const { return failure_; }

 private:
  std::unique_ptr<MainWindow> form_;
  std::unique_ptr<Win32Ui> ui_;
  std::unique_ptr<skin::WindowSession> session_;
  std::optional<std::string> failure_;
};

// Called after start-up, before the message loop, with the windows as they are (the demo's
// screenshots use it).
using AfterStartHook = std::function<void(app::StartResult, MainWindow&, Win32Ui&, app::Program&)>;

// Runs the program's message loop until the main window closes; returns the exit code
// (app::kExitOk, or app::kExitInterrupted).
int RunWin32Gui(platform::Platform& platform, const skin::WindowCommands& commands,
                const AfterStartHook& afterStart = nullptr);

}  // namespace rz::win32
