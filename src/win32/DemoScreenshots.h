// SPDX-License-Identifier: GPL-3.0-or-later
// Screenshots of the demo's windows for checking the artwork: with RZFLASH_DEMO_SCREENSHOT set to
// a folder, the demo saves 24-bit BMPs of the main window (idle, hovered, pressed, busy, with
// progress), of both skinned dialogs and of any message box of the start-up there, and closes.
#pragma once
#include "win32/Win32Main.h"

namespace rz::win32 {

// The hook to pass to RunWin32Gui; null when the variable is not set.
AfterStartHook DemoScreenshotHook();

}  // namespace rz::win32
