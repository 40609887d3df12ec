// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash: the windowed program on this computer's hardware, through the host platform's backends.
#include "app/ExitCodes.h"
#include "gui/GuiMain.h"
#include "platform/HostPlatform.h"

int main(int argc, char** argv) {
  // Before anything is opened (the display connection too): no file may take a closed standard
  // descriptor's place, and a lost output must not end the program mid-flash.
  if (!rz::platform::PrepareProcess()) return rz::app::kExitFailed;
  rz::gui::GuiApplication app(argc, argv);
  const auto host = rz::platform::MakeHostPlatform();
  rz::gui::GuiCommands commands = rz::gui::ProgramCommands();
  // "Initialize DODozori Fail!!!" alone leaves the person guessing: the next box says why.
  commands.accessProblem = [&host] { return host->DescribeAccessProblem(); };
  return rz::gui::RunGui(app, host->Seams(), commands);
}
