// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash.exe: the windowed program on this computer's hardware, through the Windows backends.
#include "app/ExitCodes.h"
#include "platform/HostPlatform.h"
#include "skin/WindowSession.h"
#include "win32/Win32Main.h"

int main() {
  if (!rz::platform::PrepareProcess()) return rz::app::kExitFailed;
  const auto host = rz::platform::MakeHostPlatform();
  rz::skin::WindowCommands commands = rz::skin::ProgramCommands();
  // "Initialize DODozori Fail!!!" alone leaves the person guessing: the next box says why.
  commands.accessProblem = [&host] { return host->DescribeAccessProblem(); };
  return rz::win32::RunWin32Gui(host->Seams(), commands);
}
