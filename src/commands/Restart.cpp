// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/Restart.h"

namespace rz::commands {

void OfferRestart(ui::Ui& ui, platform::Shutdown& shutdown) {
  if (!ui.SkinnedQuestion(kRestartQuestion)) return;
  if ((shutdown.GetVersion() & kOlderFamilyVersionBit) == 0) shutdown.EnableShutdownPrivilege();
  // A refused request leaves the computer running; the user restarts it later.
  (void)shutdown.ExitWindows(platform::kEwxReboot | platform::kEwxForce, 0);
}

}  // namespace rz::commands
